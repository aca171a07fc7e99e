#include "../PlatformCom.h"
#include <unknwn.h>

namespace platform {

void AddRefObject(IUnknown* object)
{
    if (object)
        object->AddRef();
}

void ReleaseObject(IUnknown* object)
{
    if (object)
        object->Release();
}

} // namespace platform
