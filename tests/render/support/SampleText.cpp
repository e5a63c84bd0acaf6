#include "tests/render/support/SampleText.h"

#include <array>

std::u16string JapaneseSample(std::size_t length) {
    static constexpr std::array<const char16_t*, 8> kSentences = {
        u"春はあけぼの。やうやう白くなりゆく山ぎは、少しあかりて、紫だちたる雲の細くたなびきたる。",
        u"夏は夜。月のころはさらなり、闇もなほ、蛍の多く飛びちがひたる。",
        u"秋は夕暮れ。夕日のさして山の端いと近うなりたるに、烏の寝どころへ行くとて、",
        u"冬はつとめて。雪の降りたるは言ふべきにもあらず、霜のいと白きも、\t",
        u"Selvane 2024 ﾃｷｽﾄ、ページ 64 文字ずつ。",
        u"吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。",
        u"何でも薄暗いじめじめした所でニャーニャー泣いていた事だけは記憶している。",
        u"国境の長いトンネルを抜けると雪国であった。夜の底が白くなった。",
    };
    std::u16string text;
    text.reserve(length + 64);
    for (std::size_t i = 0; text.size() < length; ++i) {
        text += kSentences[i % kSentences.size()];
    }
    text.resize(length);
    return text;
}

std::vector<Ruby> RubyOverKanji(std::u16string_view text, std::size_t kanaPerKanji) {
    static constexpr std::u16string_view kKana = u"あいうえおかきくけこさしすせそたちつてと";
    const auto isKanji = [](char16_t c) { return c >= u'\u4E00' && c <= u'\u9FFF'; };
    std::vector<Ruby> ruby;
    std::size_t kana = 0;
    for (std::size_t k = 0; k < text.size();) {
        if (!isKanji(text[k])) {
            ++k;
            continue;
        }
        std::size_t end = k;
        while (end < text.size() && isKanji(text[end])) {
            ++end;
        }
        Ruby& entry = ruby.emplace_back();
        entry.first = static_cast<std::uint32_t>(k);
        entry.count = static_cast<std::uint32_t>(end - k);
        for (std::size_t i = 0; i < kanaPerKanji * entry.count; ++i) {
            entry.reading += kKana[kana++ % kKana.size()];
        }
        k = end;
    }
    return ruby;
}
