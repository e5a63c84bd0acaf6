#include "scene/Scene.h"

#include "base/Random.h"

Scene* g_scene = nullptr;

Scene::Scene() {
    // The member initialisers have made the lists empty, the graphics references null and the
    // client size 640 x 480; the key frames start at zero, which nothing draws with.
    Reset();
    backgroundColor = 0xFFFFFF;
    fontColor = 0;
}

// Releases nothing explicitly: ReleaseGraphics has run Reset before the view went away.
Scene::~Scene() = default;

void Scene::Reset() {
    for (RibbonSegment& segment : segments) {
        segment.Clear();
    }
    // Swapping with empty lists gives their memory back: after a long text, a short one should
    // not keep the long one's capacity.
    std::vector<RibbonSegment>().swap(segments);
    for (Material& material : materials) {
        material.reference.reset();
    }
    materials.clear();
    std::vector<Vec3>().swap(pathPoints);
    view = Matrix::Identity();
    view.m[3][2] = -5000.0f;
    cameraIndex = 0;
    seed = fixedSeed ? *fixedSeed : static_cast<unsigned>(Time());
    Srand(seed);
    cameraT = 0.0f;
    cameraSpeed = 0.0f;
    for (char16_t& c : text) {
        if (c == u'\t') {
            c = u'\u3000';
        }
    }
}
