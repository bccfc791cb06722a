#include "diagnostics/qvr_logging_output_xml.h"

bool CQVRLoggingOutputXML::write(CQVRLogRecord&) { return false; }
