// The list of strings that names, lines and multi-string values travel in.
#ifndef QVR_STRING_LIST_H
#define QVR_STRING_LIST_H

#include "core/qvr_dbllist.h"
#include "core/qvr_obj_node.h"
#include "core/qvr_wchar_string.h"

typedef CQVRDblList<CQVRObjNode<CQVRWCharString>> CQVRStringList;

#endif
