#include "scene/RibbonSegment.h"

#include <algorithm>
#include <cmath>

Vec3 CardOffset(Vec3 d) {
    // The length is taken in double precision from a sum of floats, as the path is laid.
    float len =
        static_cast<float>(std::sqrt(static_cast<double>(d.x * d.x + d.y * d.y + d.z * d.z)));
    if (len == 0.0f) {
        len = 1.0f;
    }
    return {-(d.y / len) * 100.0f, (d.x / len) * 100.0f, (d.z / len) * 100.0f};
}

namespace {

// Appends the corners and a face of `material` whose corner indices start at `base`, its u
// running from u0 to u1.
void AddCard(RibbonSegment& segment, std::int32_t material, std::int32_t base, Vec3 c0, Vec3 c1,
             Vec3 c2, Vec3 c3, float u0, float u1) {
    segment.positions.push_back(c0);
    segment.positions.push_back(c1);
    segment.positions.push_back(c2);
    segment.positions.push_back(c3);
    Face& face = segment.faces.emplace_back();
    face.materialId = material;
    for (std::int32_t c = 0; c < 4; ++c) {
        face.indices.push_back(base + c);
    }
    face.texCoords.push_back({u0, 0.0f});
    face.texCoords.push_back({u1, 0.0f});
    face.texCoords.push_back({u1, 1.0f});
    face.texCoords.push_back({u0, 1.0f});
}

}  // namespace

// The characters' quads come first and in order, so quad j starts at position 4 j.
void RibbonSegment::AddQuad(int j, Vec3 c0, Vec3 c1, Vec3 c2, Vec3 c3, float pageLength) {
    AddCard(*this, kTextMaterial, 4 * j, c0, c1, c2, c3, static_cast<float>(j) / pageLength,
            static_cast<float>(j + 1) / pageLength);
}

void RibbonSegment::AddRubyQuad(Vec3 c0, Vec3 c1, Vec3 c2, Vec3 c3, float u0, float u1) {
    AddCard(*this, kRubyMaterial, static_cast<std::int32_t>(positions.size()), c0, c1, c2, c3, u0,
            u1);
}

HRESULT RibbonSegment::CreateBuffers(gpu::Device* device) {
    for (const Face& face : faces) {
        VertexBatch* batch = nullptr;
        for (VertexBatch& candidate : batches) {
            if (candidate.materialId == face.materialId) {
                batch = &candidate;
                break;
            }
        }
        if (batch == nullptr) {
            batch = &batches.emplace_back();
            batch->materialId = face.materialId;
            const auto alike = std::count_if(faces.begin(), faces.end(), [&](const Face& other) {
                return other.materialId == face.materialId;
            });
            batch->vertices.reserve(6 * static_cast<std::size_t>(alike));
        }
        const auto corner = [&](std::uint32_t c) {
            Vertex vertex;
            const std::int32_t index = face.indices[c];
            // A corner index outside the positions would read past the list; such a face
            // cannot come from AddQuad, but the records are plain data.
            if (index >= 0 && static_cast<std::size_t>(index) < positions.size()) {
                vertex.position = positions[static_cast<std::size_t>(index)];
            }
            if (c < face.texCoords.size()) {
                vertex.u = face.texCoords[c].u;
                vertex.v = face.texCoords[c].v;
            }
            batch->vertices.push_back(vertex);
        };
        if (face.indices.size() == 3) {
            corner(0);
            corner(1);
            corner(2);
        } else if (face.indices.size() == 4) {
            corner(0);
            corner(1);
            corner(2);
            corner(2);
            corner(3);
            corner(0);
        }
    }
    for (std::size_t i = batches.size(); i-- > 0;) {
        VertexBatch& batch = batches[i];
        if (batch.vertices.empty()) {
            batches.erase(batches.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        if (device == nullptr) {
            return E_FAIL;
        }
        gpu::BufferDesc desc;
        desc.byteWidth = static_cast<std::uint32_t>(sizeof(Vertex) * batch.vertices.size());
        desc.usage = gpu::Usage::Default;
        desc.bindFlags = gpu::kBindVertexBuffer;
        desc.cpuAccessFlags = 0;
        desc.miscFlags = 0;
        gpu::SubresourceData data;
        data.sysMem = batch.vertices.data();
        if (FAILED(device->CreateBuffer(desc, &data, &batch.buffer))) {
            batch.buffer.reset();
            return E_FAIL;
        }
    }
    return S_OK;
}

void RibbonSegment::Clear() {
    for (VertexBatch& batch : batches) {
        batch.buffer.reset();
    }
    batches.clear();
    positions.clear();
    for (IndexGroup& group : groups) {
        group.indices.clear();
    }
    groups.clear();
    faces.clear();
    rubyBegin = 0;
    rubyEnd = 0;
}
