// The interface identifiers of the Windows Media Format headers are declared there but
// defined in no import library; this unit defines them once for the whole program.
#include <initguid.h>
#include <wmsdkidl.h>
#include <wmsbuffer.h>

#include "wmf/WmfTypes.h"
