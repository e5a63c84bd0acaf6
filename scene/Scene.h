#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Color.h"
#include "base/Math.h"
#include "base/Result.h"
#include "gpu/Platform.h"
#include "scene/Material.h"
#include "scene/RibbonSegment.h"
#include "scene/Ruby.h"

// Timer ticks per second: the view's timer runs every 32 ms.
inline constexpr float kTicksPerSecond = 31.25f;
// The cruise speeds a reader can choose, in characters per second.
inline constexpr float kSlowestCruise = 0.5f;
inline constexpr float kFastestCruise = 15.0f;

// The one central object: the text, the colours, the path and ribbon built from the text, the
// flight camera and every graphics object. A plain aggregate; the document owns it and every
// other part reaches it through g_scene. All of it lives on the window thread.
//
// Fields that hold graphics objects release them only through the operations that give them up
// (Reset for the vertex buffers, ReleaseGraphics for the rest). The declaration order matters
// for a scene destroyed without ReleaseGraphics: members are destroyed last-first, so every
// object goes before the device it was made on.
struct Scene {
    ColorRef backgroundColor = 0xFFFFFF;
    ColorRef fontColor = 0;
    std::u16string text;
    // What is drawn over runs of the text, ordered by first base character, no two sharing
    // one. Set with the text, before a build; Reset leaves it, as it leaves the text.
    std::vector<Ruby> ruby;
    std::vector<Vec3> pathPoints;
    std::int32_t cameraIndex = 0;
    Vec3 eyeA, eyeB;
    Vec3 targetA, targetB;
    Vec3 upA, upB;
    float cameraT = 0.0f;
    float cameraSpeed = 0.0f;
    // Cruise: while on, every tick relaxes cameraSpeed towards cruiseSpeed (path steps per tick)
    // instead of towards rest. Reset leaves both alone: cruise is the reader's choice, not part
    // of a build.
    bool cruise = false;
    float cruiseSpeed = 4.0f / kTicksPerSecond;
    // Where set, Reset seeds the random generator with it instead of the time, so that a text
    // gives the same path at every build.
    std::optional<unsigned> fixedSeed;
    // The seed of the last Reset, and so the one the current path was laid from.
    unsigned seed = 0;
    std::uint32_t clientWidth = 640;
    std::uint32_t clientHeight = 480;
    gpu::WindowHandle window = nullptr;
    gpu::Ref<gpu::Device> device;
    gpu::Ref<gpu::SwapChain> swapChain;
    gpu::Ref<gpu::RenderTargetView> renderTargetView;
    gpu::Ref<gpu::DepthStencilView> depthStencilView;
    gpu::Ref<gpu::Texture2D> depthTexture;
    gpu::Ref<gpu::RasterizerState> rasterizerState;
    gpu::Ref<gpu::InputLayout> inputLayout;
    gpu::Ref<gpu::VertexShader> vertexShader;
    gpu::Ref<gpu::PixelShader> pixelShader;
    gpu::Ref<gpu::PixelShader> textPixelShader;
    gpu::Ref<gpu::Buffer> constantBuffer;
    gpu::Ref<gpu::SamplerState> samplerState;
    gpu::Ref<gpu::BlendState> blendState;
    gpu::Viewport viewport;
    Matrix world;
    Matrix view;
    Matrix projection;
    std::vector<RibbonSegment> segments;
    std::vector<Material> materials;
    gpu::Ref<gpu::TextFactory> d2dFactory;
    gpu::Ref<gpu::WriteFactory> writeFactory;
    gpu::Ref<gpu::Texture2D> textTexture;
    gpu::Ref<gpu::ShaderResourceView> textTextureView;
    gpu::Ref<gpu::TextTarget> textTarget;
    gpu::Ref<gpu::Brush> textBrush;
    gpu::Ref<gpu::TextFormat> textFormat;
    // What is drawn over the characters goes into a texture of its own, at half their size, a
    // page at a time as the text does: half as high as the text texture, and as wide as the page
    // and kRubyReach characters more on either side.
    gpu::Ref<gpu::Texture2D> rubyTexture;
    gpu::Ref<gpu::ShaderResourceView> rubyTextureView;
    gpu::Ref<gpu::TextTarget> rubyTarget;
    gpu::Ref<gpu::Brush> rubyBrush;
    gpu::Ref<gpu::TextFormat> rubyFormat;

    Scene();
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Back to the empty state: segments (with their vertex buffers), materials and path gone,
    // the starting view, camera at rest, the random generator reseeded, tabs made U+3000.
    void Reset();
    // Lays the whole text out anew: reset, one material, the path, the ribbon segments with
    // their vertex buffers, the first camera key frames.
    void Build();

    // Flight camera.
    void ComputeKeyFrame(std::int32_t index, Vec3& eye, Vec3& target, Vec3& up) const;
    void InitCamera();
    void TickCamera();
    void ChangeSpeed(std::int16_t delta);
    // Cruise on (the speed becomes cruiseSpeed at once) or off (the speed decays to rest again).
    void SetCruise(bool on);
    // Puts the camera at the start of step index, kept within the path: key frames and view
    // there, the speed as it was. Nothing happens on a path of fewer than two points.
    void PlaceCamera(std::int64_t index);
    // The view a fraction (0 to 1) of a tick on from the last tick's picture: 0 gives about the
    // view the last tick set, 1 exactly the one the next tick will set. Between two ticks with no
    // speed change in between; it changes nothing.
    Matrix ViewBetweenTicks(float fraction) const;

    // Graphics device, shaders, frames and the text texture.
    HRESULT InitGraphics(gpu::WindowHandle windowHandle);
    HRESULT CreateTextFactories();
    HRESULT ResizeViews();
    void ReleaseGraphics();
    HRESULT CreateShaders();
    // The frame's result: S_FALSE when nothing could be drawn (no text target), a failure when
    // the frame failed and presented nothing.
    HRESULT Render();
    HRESULT DrawSegments(RibbonSegment& segment, std::int32_t s);
    HRESULT CreateTextResources();
    HRESULT RenderTextPage(std::int32_t first);
    // What lies over the page of the segment, whose first character is `first`, into
    // rubyTexture: each reading centred over its base, each emphasis mark over its character.
    HRESULT RenderRubyPage(const RibbonSegment& segment, std::int32_t first);

  private:
    void LayPath();
    void BuildSegments();
    // The cards of the ruby over each page, after the page's characters; the entries of `ruby`
    // each page draws.
    void BuildRubyCards();
};

// The scene of the open document; null while no document exists. Not an owner.
extern Scene* g_scene;

// Characters per page of text: one segment and one texture row each.
inline constexpr int kPageLength = 64;
