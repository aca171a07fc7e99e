#include "../PlatformCom.h"

// No component objects exist natively: nothing ever holds one.
namespace platform {

void AddRefObject(IUnknown*) {}
void ReleaseObject(IUnknown*) {}

} // namespace platform
