#pragma once

#include <cstddef>
#include <string>

#include "gpu/Device.h"
#include "gpu/Text.h"

// The Qt text stack behind the graphics layer's text operations. It needs the application's
// QGuiApplication (or QApplication) to exist and is used on its thread only.
namespace qtext {

// CO_E_NOTINITIALIZED while no application object exists.
HRESULT CreateTextFactory(gpu::FactoryType type, gpu::Ref<gpu::TextFactory>* factory);
HRESULT CreateWriteFactory(gpu::WriteFactoryType type, gpu::Ref<gpu::WriteFactory>* factory);

// How many whole pages each text target keeps (8 by default, room for the seven a frame shows
// and one more; 4 MiB each for the text texture). Read when a target is made. With 0 every
// page is put together anew each time it is drawn.
void SetPageCacheCapacity(std::size_t pages);
std::size_t PageCacheCapacity();

// Writes the picture as an opaque PNG (alpha is not part of what the screen shows).
HRESULT SavePicturePng(const gpu::Picture& picture, const std::string& path);

}  // namespace qtext
