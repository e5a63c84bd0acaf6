#include <algorithm>
#include <vector>

#include "scene/Scene.h"

namespace {

// What is drawn over a character is half its size: an em of it spans a quarter of a path step
// either side of its centre. The cards reach a little further on each side for the glyphs'
// antialiased edges (4 texels of the 128 a character has across).
constexpr double kHalfEm = 0.25;
constexpr double kMargin = 1.0 / 32.0;

// Characters, not code units: a pair of surrogates is one glyph.
std::size_t Characters(std::u16string_view text) {
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char16_t c) { return c < 0xDC00 || c > 0xDFFF; }));
}

// The point a fraction t along the step from p to q, beyond either end where t is outside 0 to
// 1; both ends exact.
Vec3 Along(Vec3 p, Vec3 q, double t) {
    if (t == 0.0) {
        return p;
    }
    if (t == 1.0) {
        return q;
    }
    return p + (q - p) * static_cast<float>(t);
}

// A stretch of path steps over the base characters from `first` up to `end` that cards carry,
// from `begin` to `until` in steps from the start of the text.
struct Carried {
    std::size_t first;
    std::size_t end;
    double begin;
    double until;
};

}  // namespace

// Every reading is centred over its base and every emphasis mark over its character, each
// character of them taken as an em wide (the text stack draws them centred, whatever their
// width). The cards lie on the steps of the base, one to a step, from the top edge of the
// characters' cards out by the same offset again, half their height; a reading wider than its
// base goes straight on from the base's first and last cards, as a printed one stands straight
// over its base. Where two readings reach into each other, the cards meet halfway, so that no
// texel is drawn twice.
void Scene::BuildRubyCards() {
    std::vector<Carried> carried;
    for (std::size_t i = 0; i < ruby.size(); ++i) {
        const Ruby& entry = ruby[i];
        // The entries come with the text, but a stale or broken one must not reach outside it.
        if (entry.count == 0 || entry.reading.empty() || entry.first >= text.size() ||
            entry.count > text.size() - entry.first) {
            continue;
        }
        const double half = kHalfEm * static_cast<double>(Characters(entry.reading)) + kMargin;
        const double first = entry.first;
        const double end = first + entry.count;
        // The ink, as far as the pictures of the pages hold it.
        const bool marks = entry.kind == Ruby::Kind::Emphasis;
        const double inkBegin =
            std::max(first - kRubyReach, marks ? first + 0.5 - half : (first + end) / 2.0 - half);
        const double inkEnd =
            std::min(end + kRubyReach, marks ? end - 0.5 + half : (first + end) / 2.0 + half);
        const auto firstPage =
            static_cast<std::size_t>(std::max(0.0, (inkBegin - kRubyReach) / kPageLength));
        const auto lastPage = std::min<std::size_t>(
            segments.size() - 1, static_cast<std::size_t>((inkEnd + kRubyReach) / kPageLength));
        for (std::size_t s = firstPage; s <= lastPage; ++s) {
            RibbonSegment& segment = segments[s];
            if (segment.rubyBegin == segment.rubyEnd) {
                segment.rubyBegin = static_cast<std::uint32_t>(i);
            }
            segment.rubyEnd = static_cast<std::uint32_t>(i + 1);
        }
        if (!marks) {
            carried.push_back({entry.first, entry.first + entry.count, inkBegin, inkEnd});
            continue;
        }
        for (std::size_t k = entry.first; k < entry.first + entry.count; ++k) {
            const double centre = static_cast<double>(k) + 0.5;
            carried.push_back({k, k + 1,
                               std::max(centre - half, static_cast<double>(k) - kRubyReach),
                               std::min(centre + half, static_cast<double>(k) + 1 + kRubyReach)});
        }
    }
    for (std::size_t c = 1; c < carried.size(); ++c) {
        Carried& before = carried[c - 1];
        Carried& after = carried[c];
        if (before.until > after.begin) {
            const double halfway = (before.until + after.begin) / 2.0;
            before.until = std::min(before.until, halfway);
            after.begin = std::max(after.begin, halfway);
        }
    }

    const auto columns = static_cast<double>(kPageLength + 2 * kRubyReach);
    for (const Carried& stretch : carried) {
        for (std::size_t k = stretch.first; k < stretch.end; ++k) {
            const auto step = static_cast<double>(k);
            // The base's first and last cards carry what lies beyond the base; the others
            // only their own step's share.
            const double t0 = stretch.begin - step;
            const double t1 = stretch.until - step;
            const double from = k == stretch.first ? t0 : std::max(t0, 0.0);
            const double to = k + 1 == stretch.end ? t1 : std::min(t1, 1.0);
            if (to <= from) {
                continue;
            }
            const Vec3 p = pathPoints[k];
            const Vec3 q = pathPoints[k + 1];
            const Vec3 o = CardOffset(q - p);
            const Vec3 a = Along(p, q, from) + o;
            const Vec3 b = Along(p, q, to) + o;
            const auto column = static_cast<double>(k % kPageLength + kRubyReach);
            segments[k / kPageLength].AddRubyQuad(a + o, b + o, b, a,
                                                  static_cast<float>((column + from) / columns),
                                                  static_cast<float>((column + to) / columns));
        }
    }
}
