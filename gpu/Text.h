#pragma once

// Text drawing into a texture surface of the device: a factory for render targets over
// surfaces, a factory for text formats, and what a page of text is drawn with. EndDraw reports
// any failure of the drawing since BeginDraw and leaves the device's pipeline state untouched.

#include <cstdint>
#include <string_view>

#include "gpu/Device.h"

namespace gpu {

struct ColorF {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
    friend bool operator==(const ColorF&, const ColorF&) = default;
};

struct SizeF {
    float width = 0.0f;
    float height = 0.0f;
    friend bool operator==(const SizeF&, const SizeF&) = default;
};

struct RectF {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
    friend bool operator==(const RectF&, const RectF&) = default;
};

struct Matrix3x2F {
    float m11 = 1.0f, m12 = 0.0f;
    float m21 = 0.0f, m22 = 1.0f;
    float dx = 0.0f, dy = 0.0f;
    friend bool operator==(const Matrix3x2F&, const Matrix3x2F&) = default;
};

enum class FactoryType { SingleThreaded, MultiThreaded };
enum class WriteFactoryType { Shared, Isolated };
enum class AlphaMode { Unknown, Premultiplied, Straight, Ignore };
enum class RenderTargetType { Default, Software, Hardware };
enum class FeatureLevelText { Default };
enum class TextAntialiasMode { Default, ClearType, Grayscale, Aliased };
enum class ParagraphAlignment { Near, Far, Center };
// Where each line sits across the layout box.
enum class TextAlignment { Leading, Trailing, Center };
enum class FontStyle { Normal, Oblique, Italic };
enum class MeasuringMode { Natural, GdiClassic, GdiNatural };
enum DrawTextOption : std::uint32_t { kDrawTextOptionsNone = 0 };

inline constexpr std::int32_t kFontWeightNormal = 400;
inline constexpr std::int32_t kFontStretchNormal = 5;

struct PixelFormat {
    Format format = Format::Unknown;
    AlphaMode alphaMode = AlphaMode::Unknown;
    friend bool operator==(const PixelFormat&, const PixelFormat&) = default;
};

struct RenderTargetProperties {
    RenderTargetType type = RenderTargetType::Default;
    PixelFormat pixelFormat;
    float dpiX = 0.0f;
    float dpiY = 0.0f;
    std::uint32_t usage = 0;
    FeatureLevelText minLevel = FeatureLevelText::Default;
    friend bool operator==(const RenderTargetProperties&, const RenderTargetProperties&) = default;
};

class TextFormat : public Object {
  public:
    virtual HRESULT SetParagraphAlignment(ParagraphAlignment alignment) = 0;
    // Leading until set.
    virtual HRESULT SetTextAlignment(TextAlignment alignment) = 0;
};

class Brush : public Object {};

class TextTarget : public Object {
  public:
    virtual void SetTextAntialiasMode(TextAntialiasMode mode) = 0;
    virtual HRESULT CreateSolidColorBrush(const ColorF& color, Ref<Brush>* brush) = 0;
    virtual SizeF GetSize() const = 0;
    virtual void BeginDraw() = 0;
    virtual void SetTransform(const Matrix3x2F& transform) = 0;
    virtual void Clear(const ColorF& color) = 0;
    virtual void DrawText(std::u16string_view text, TextFormat* format, const RectF& layoutRect,
                          Brush* brush, std::uint32_t options, MeasuringMode measuringMode) = 0;
    virtual HRESULT EndDraw() = 0;
};

class TextFactory : public Object {
  public:
    virtual HRESULT CreateDxgiSurfaceRenderTarget(Surface* surface,
                                                  const RenderTargetProperties& properties,
                                                  Ref<TextTarget>* target) = 0;
};

class WriteFactory : public Object {
  public:
    // An empty font collection means the system's.
    virtual HRESULT CreateTextFormat(std::u16string_view familyName, std::int32_t weight,
                                     FontStyle style, std::int32_t stretch, float size,
                                     std::u16string_view locale, Ref<TextFormat>* format) = 0;
};

}  // namespace gpu
