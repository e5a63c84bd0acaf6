#include <algorithm>
#include <cmath>

#include "base/Random.h"
#include "scene/Scene.h"

namespace {

// One step of the random walk changes a rate by (r1 % 100 - r2 % 100) * 0.1 degrees; a rate
// beyond its bound drops back to zero and leaves its angle alone for that step.
void Steer(float& angle, float& rate, float bound) {
    const int r1 = Rand();
    const int r2 = Rand();
    rate = static_cast<float>(r1 % 100 - r2 % 100) * 0.1f + rate;
    if (std::fabs(rate) > bound) {
        rate = 0.0f;
    } else {
        angle += rate;
    }
}

float ToRadians(float degrees) {
    return static_cast<float>(static_cast<double>(degrees) * 0.017453292519943295);
}

}  // namespace

void Scene::Build() {
    Reset();
    materials.emplace_back();
    LayPath();
    BuildSegments();
    BuildRubyCards();
    for (RibbonSegment& segment : segments) {
        // A segment whose buffer cannot be made keeps its vertices; the build goes on.
        segment.CreateBuffers(device.get());
    }
    InitCamera();
    ComputeKeyFrame(cameraIndex, eyeA, targetA, upA);
    ComputeKeyFrame(cameraIndex + 1, eyeB, targetB, upB);
}

// Every step is 200 units in the x-y plane along the heading alpha, plus 200 sin(beta) along z.
// The arithmetic mixes precisions exactly as below so that a path can be reproduced point for
// point from the same random sequence.
void Scene::LayPath() {
    float alpha = 0.0f;
    float beta = 0.0f;
    float dAlpha = 0.0f;
    float dBeta = 0.0f;
    const std::size_t length = text.size();
    pathPoints.reserve(length + 1);
    pathPoints.push_back({0.0f, 0.0f, 0.0f});
    for (std::size_t k = 0; k < length; ++k) {
        const Vec3 p = pathPoints.back();
        const float alphaRad = ToRadians(alpha);
        const float betaRad = ToRadians(beta);
        const float sinBeta = static_cast<float>(std::sin(static_cast<double>(betaRad)));
        const float sinAlpha = static_cast<float>(std::sin(static_cast<double>(alphaRad)));
        const float cosAlpha = static_cast<float>(std::cos(static_cast<double>(alphaRad)));
        pathPoints.push_back(
            {p.x + 200.0f * cosAlpha, p.y + 200.0f * sinAlpha, p.z + 200.0f * sinBeta});
        Steer(alpha, dAlpha, 26.0f);
        Steer(beta, dBeta, 25.0f);
    }
}

// One quad per character across its path step, 64 to a segment.
void Scene::BuildSegments() {
    const std::size_t length = text.size();
    segments.reserve((length + kPageLength - 1) / kPageLength);
    std::size_t k = 0;
    while (k < length) {
        RibbonSegment segment;
        const std::size_t count = std::min<std::size_t>(kPageLength, length - k);
        segment.positions.reserve(4 * count);
        segment.faces.reserve(count);
        for (int j = 0; j < kPageLength && k < length; ++j, ++k) {
            const Vec3 p = pathPoints[k];
            const Vec3 q = pathPoints[k + 1];
            const Vec3 o = CardOffset(q - p);
            segment.AddQuad(j, p + o, q + o, q - o, p - o, static_cast<float>(kPageLength));
        }
        segments.push_back(std::move(segment));
    }
}
