#pragma once

#include <gtest/gtest.h>

#include <string>

#include "scene/Scene.h"

// Names of the scene's graphics fields that are set (or, with `set` false, that are null).
inline std::string GraphicsFields(const Scene& scene, bool set) {
    std::string out;
    const auto check = [&](const char* name, bool present) {
        if (present == set) {
            out += out.empty() ? "" : " ";
            out += name;
        }
    };
    check("device", scene.device != nullptr);
    check("swapChain", scene.swapChain != nullptr);
    check("renderTargetView", scene.renderTargetView != nullptr);
    check("depthStencilView", scene.depthStencilView != nullptr);
    check("depthTexture", scene.depthTexture != nullptr);
    check("rasterizerState", scene.rasterizerState != nullptr);
    check("inputLayout", scene.inputLayout != nullptr);
    check("vertexShader", scene.vertexShader != nullptr);
    check("pixelShader", scene.pixelShader != nullptr);
    check("textPixelShader", scene.textPixelShader != nullptr);
    check("constantBuffer", scene.constantBuffer != nullptr);
    check("samplerState", scene.samplerState != nullptr);
    check("blendState", scene.blendState != nullptr);
    check("d2dFactory", scene.d2dFactory != nullptr);
    check("writeFactory", scene.writeFactory != nullptr);
    check("textTexture", scene.textTexture != nullptr);
    check("textTextureView", scene.textTextureView != nullptr);
    check("textTarget", scene.textTarget != nullptr);
    check("textBrush", scene.textBrush != nullptr);
    check("textFormat", scene.textFormat != nullptr);
    check("rubyTexture", scene.rubyTexture != nullptr);
    check("rubyTextureView", scene.rubyTextureView != nullptr);
    check("rubyTarget", scene.rubyTarget != nullptr);
    check("rubyBrush", scene.rubyBrush != nullptr);
    check("rubyFormat", scene.rubyFormat != nullptr);
    return out;
}

// Every graphics field is set: the names of those that are not, for the failure message.
inline testing::AssertionResult AllGraphicsSet(const Scene& scene) {
    const std::string missing = GraphicsFields(scene, false);
    if (missing.empty()) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "null: " << missing;
}

inline testing::AssertionResult NoGraphicsSet(const Scene& scene) {
    const std::string present = GraphicsFields(scene, true);
    if (present.empty()) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "set: " << present;
}
