#include "render/text/TextStack.h"

#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <bit>

#include "render/text/TextFactory.h"
#include "render/text/WriteFactory.h"

namespace qtext {

// Texels are 32-bit words whose bytes must come out as B, G, R, A.
static_assert(std::endian::native == std::endian::little);

namespace {
std::size_t g_pageCapacity = 8;
}  // namespace

HRESULT CreateTextFactory(gpu::FactoryType, gpu::Ref<gpu::TextFactory>* factory) {
    if (factory == nullptr) {
        return E_INVALIDARG;
    }
    if (QGuiApplication::instance() == nullptr) {
        return CO_E_NOTINITIALIZED;
    }
    *factory = std::make_unique<TextFactory>();
    return S_OK;
}

HRESULT CreateWriteFactory(gpu::WriteFactoryType, gpu::Ref<gpu::WriteFactory>* factory) {
    if (factory == nullptr) {
        return E_INVALIDARG;
    }
    if (QGuiApplication::instance() == nullptr) {
        return CO_E_NOTINITIALIZED;
    }
    *factory = std::make_unique<WriteFactory>();
    return S_OK;
}

void SetPageCacheCapacity(std::size_t pages) {
    g_pageCapacity = pages;
}

std::size_t PageCacheCapacity() {
    return g_pageCapacity;
}

HRESULT SavePicturePng(const gpu::Picture& picture, const std::string& path) {
    const std::size_t pitch = std::size_t{4} * picture.width;
    if (picture.width == 0 || picture.height == 0 ||
        picture.pixels.size() < pitch * picture.height) {
        return E_INVALIDARG;
    }
    // B8G8R8A8 rows are Qt's 32-bit pixels on this little-endian machine.
    const QImage image(picture.pixels.data(), static_cast<int>(picture.width),
                       static_cast<int>(picture.height), static_cast<qsizetype>(pitch),
                       QImage::Format_RGB32);
    return image.save(QString::fromStdString(path), "PNG") ? S_OK : E_FAIL;
}

}  // namespace qtext
