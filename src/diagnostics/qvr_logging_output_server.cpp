#include "diagnostics/qvr_logging_output_server.h"

bool CQVRLoggingOutputServer::write(CQVRLogRecord&) { return false; }
