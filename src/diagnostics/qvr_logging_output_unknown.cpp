#include "diagnostics/qvr_logging_output_unknown.h"

bool CQVRLoggingOutputUnknown::write(CQVRLogRecord&) { return false; }
