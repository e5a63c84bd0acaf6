#pragma once

#include "gpu/Platform.h"

// A device of the given driver type from the installed platform: the feature levels 10.1, 10.0,
// 9.3, 9.2 and 9.1 are tried in this order and the first that succeeds gives the device. The
// failure of the last attempt is returned when none does, E_FAIL when no platform is installed.
HRESULT CreateGraphicsDevice(gpu::WindowHandle window, gpu::DriverType driverType,
                             gpu::Ref<gpu::Device>* device);
