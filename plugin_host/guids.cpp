// The identifiers of the type library (IIDs, CLSID, LIBID), defined once for the whole library.
#include <initguid.h>

#include "plugin_host/lumbraplug_h.h"
