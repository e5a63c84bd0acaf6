#pragma once

// Descriptions passed to the graphics layer. They follow the shape of the Direct3D 10 / DXGI /
// Direct2D records the rendering code was designed against, so that each algorithm can state the
// same values; fields left at their defaults are the records' zeros.

#include <cstdint>
#include <memory>

#include "base/Result.h"

namespace gpu {

// Every platform object. A field holding a Ref holds one reference; resetting it releases it.
class Object {
  public:
    virtual ~Object() = default;
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
};

template <class T>
using Ref = std::unique_ptr<T>;

enum class DriverType { Hardware, Software };

enum class FeatureLevel : std::uint32_t {
    Level_10_1 = 0xa100,
    Level_10_0 = 0xa000,
    Level_9_3 = 0x9300,
    Level_9_2 = 0x9200,
    Level_9_1 = 0x9100,
};

inline constexpr std::uint32_t kCreateDeviceBgraSupport = 0x20;
inline constexpr std::uint32_t kSdkVersion = 0x20;

enum class Format {
    Unknown,
    B8G8R8A8_UNorm,
    D32_Float,
    R32G32B32_Float,
    R32G32_Float,
};

enum class Usage { Default, Immutable, Dynamic, Staging };

enum BindFlag : std::uint32_t {
    kBindVertexBuffer = 0x1,
    kBindIndexBuffer = 0x2,
    kBindConstantBuffer = 0x4,
    kBindShaderResource = 0x8,
    kBindRenderTarget = 0x20,
    kBindDepthStencil = 0x40,
};

enum CpuAccessFlag : std::uint32_t {
    kCpuAccessWrite = 0x10000,
    kCpuAccessRead = 0x20000,
};

struct SampleDesc {
    std::uint32_t count = 1;
    std::uint32_t quality = 0;
    friend bool operator==(const SampleDesc&, const SampleDesc&) = default;
};

struct BufferDesc {
    std::uint32_t byteWidth = 0;
    Usage usage = Usage::Default;
    std::uint32_t bindFlags = 0;
    std::uint32_t cpuAccessFlags = 0;
    std::uint32_t miscFlags = 0;
    friend bool operator==(const BufferDesc&, const BufferDesc&) = default;
};

struct SubresourceData {
    const void* sysMem = nullptr;
    std::uint32_t sysMemPitch = 0;
    std::uint32_t sysMemSlicePitch = 0;
};

struct Texture2DDesc {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t mipLevels = 0;
    std::uint32_t arraySize = 0;
    Format format = Format::Unknown;
    SampleDesc sampleDesc;
    Usage usage = Usage::Default;
    std::uint32_t bindFlags = 0;
    std::uint32_t cpuAccessFlags = 0;
    std::uint32_t miscFlags = 0;
    friend bool operator==(const Texture2DDesc&, const Texture2DDesc&) = default;
};

enum class ViewDimension { Unknown, Texture2D };

struct RenderTargetViewDesc {
    Format format = Format::Unknown;
    ViewDimension viewDimension = ViewDimension::Unknown;
    std::uint32_t mipSlice = 0;
    friend bool operator==(const RenderTargetViewDesc&, const RenderTargetViewDesc&) = default;
};

struct DepthStencilViewDesc {
    Format format = Format::Unknown;
    ViewDimension viewDimension = ViewDimension::Unknown;
    std::uint32_t mipSlice = 0;
    friend bool operator==(const DepthStencilViewDesc&, const DepthStencilViewDesc&) = default;
};

enum class FillMode { Wireframe, Solid };
enum class CullMode { None, Front, Back };

struct RasterizerDesc {
    FillMode fillMode = FillMode::Solid;
    CullMode cullMode = CullMode::Back;
    bool frontCounterClockwise = false;
    std::int32_t depthBias = 0;
    float depthBiasClamp = 0.0f;
    float slopeScaledDepthBias = 0.0f;
    bool depthClipEnable = false;
    bool scissorEnable = false;
    bool multisampleEnable = false;
    bool antialiasedLineEnable = false;
    friend bool operator==(const RasterizerDesc&, const RasterizerDesc&) = default;
};

enum class Filter { MinMagMipPoint, MinMagMipLinear };
enum class AddressMode { Wrap, Mirror, Clamp, Border };
enum class ComparisonFunc {
    Never,
    Less,
    Equal,
    LessEqual,
    Greater,
    NotEqual,
    GreaterEqual,
    Always
};

struct SamplerDesc {
    Filter filter = Filter::MinMagMipPoint;
    AddressMode addressU = AddressMode::Wrap;
    AddressMode addressV = AddressMode::Wrap;
    AddressMode addressW = AddressMode::Wrap;
    float mipLodBias = 0.0f;
    std::uint32_t maxAnisotropy = 0;
    ComparisonFunc comparisonFunc = ComparisonFunc::Never;
    float borderColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float minLod = 0.0f;
    float maxLod = 0.0f;
    friend bool operator==(const SamplerDesc&, const SamplerDesc&) = default;
};

enum class Blend {
    Zero,
    One,
    SrcColor,
    InvSrcColor,
    SrcAlpha,
    InvSrcAlpha,
    DestAlpha,
    InvDestAlpha
};
enum class BlendOp { Add, Subtract, RevSubtract, Min, Max };
inline constexpr std::uint8_t kColorWriteEnableAll = 0xF;

struct BlendDesc {
    bool alphaToCoverageEnable = false;
    bool blendEnable[8] = {};
    Blend srcBlend = Blend::One;
    Blend destBlend = Blend::Zero;
    BlendOp blendOp = BlendOp::Add;
    Blend srcBlendAlpha = Blend::One;
    Blend destBlendAlpha = Blend::Zero;
    BlendOp blendOpAlpha = BlendOp::Add;
    std::uint8_t renderTargetWriteMask[8] = {};
    friend bool operator==(const BlendDesc&, const BlendDesc&) = default;
};

struct Viewport {
    std::int32_t topLeftX = 0;
    std::int32_t topLeftY = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    float minDepth = 0.0f;
    float maxDepth = 0.0f;
    friend bool operator==(const Viewport&, const Viewport&) = default;
};

inline constexpr std::uint32_t kClearDepth = 0x1;
inline constexpr std::uint32_t kClearStencil = 0x2;

enum class PrimitiveTopology {
    Undefined,
    PointList,
    LineList,
    LineStrip,
    TriangleList,
    TriangleStrip
};

enum class InputClassification { PerVertexData, PerInstanceData };

struct InputElementDesc {
    const char* semanticName = nullptr;
    std::uint32_t semanticIndex = 0;
    Format format = Format::Unknown;
    std::uint32_t inputSlot = 0;
    std::uint32_t alignedByteOffset = 0;
    InputClassification inputSlotClass = InputClassification::PerVertexData;
    std::uint32_t instanceDataStepRate = 0;
};

enum class MapType { Read, Write, ReadWrite, WriteDiscard, WriteNoOverwrite };

struct Rational {
    std::uint32_t numerator = 0;
    std::uint32_t denominator = 0;
    friend bool operator==(const Rational&, const Rational&) = default;
};

enum class ScanlineOrder { Unspecified, Progressive };
enum class Scaling { Unspecified, Centered, Stretched };
enum class SwapEffect { Discard, Sequential };
inline constexpr std::uint32_t kUsageRenderTargetOutput = 0x20;

// The view's drawing surface as the shell hands it over. The graphics backend that draws on it
// knows its concrete type; to everything else it is opaque.
class Window {
  public:
    virtual ~Window() = default;
};
using WindowHandle = Window*;

struct ModeDesc {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    Rational refreshRate;
    Format format = Format::Unknown;
    ScanlineOrder scanlineOrdering = ScanlineOrder::Unspecified;
    Scaling scaling = Scaling::Unspecified;
    friend bool operator==(const ModeDesc&, const ModeDesc&) = default;
};

struct SwapChainDesc {
    ModeDesc bufferDesc;
    SampleDesc sampleDesc;
    std::uint32_t bufferUsage = 0;
    std::uint32_t bufferCount = 0;
    WindowHandle outputWindow = nullptr;
    bool windowed = false;
    SwapEffect swapEffect = SwapEffect::Discard;
    std::uint32_t flags = 0;
    friend bool operator==(const SwapChainDesc&, const SwapChainDesc&) = default;
};

struct ShaderMacro {
    const char* name = nullptr;
    const char* definition = nullptr;
};

}  // namespace gpu
