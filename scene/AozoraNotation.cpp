#include "scene/AozoraNotation.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "scene/AccentTable.h"
#include "scene/Jisx0213.h"

void LineIndex::Add(std::size_t length) {
    if (length == 0) {
        if (!lastEmpty_) {
            lengths_.push_back(0);
        }
        lastEmpty_ = true;
        return;
    }
    lastEmpty_ = false;
    while (length >= kContinued) {
        lengths_.push_back(kContinued);
        length -= kContinued;
    }
    lengths_.push_back(static_cast<std::uint32_t>(length));
}

void LineIndex::Clear() {
    std::vector<std::uint32_t>().swap(lengths_);
    lastEmpty_ = false;
}

bool LineIndex::Cursor::Next(std::size_t& start, std::size_t& length) {
    const std::vector<std::uint32_t>& lengths = index_->lengths_;
    if (entry_ >= lengths.size()) {
        return false;
    }
    start = position_;
    length = 0;
    // A continued entry is always followed by the rest of its line.
    while (lengths[entry_] == kContinued) {
        length += kContinued;
        ++entry_;
    }
    length += lengths[entry_++];
    position_ += length;
    return true;
}

namespace {

constexpr std::size_t npos = std::numeric_limits<std::size_t>::max();

constexpr char16_t kBar = u'\uFF5C';           // ｜
constexpr char16_t kRubyOpen = u'\u300A';      // 《
constexpr char16_t kRubyClose = u'\u300B';     // 》
constexpr char16_t kBracketOpen = u'\uFF3B';   // ［
constexpr char16_t kBracketClose = u'\uFF3D';  // ］
constexpr char16_t kSharp = u'\uFF03';         // ＃
constexpr char16_t kGaijiMark = u'\u203B';     // ※
constexpr char16_t kAccentOpen = u'\u3014';    // 〔
constexpr char16_t kAccentClose = u'\u3015';   // 〕
constexpr char16_t kParenOpen = u'\uFF08';     // （
constexpr char16_t kParenClose = u'\uFF09';    // ）
constexpr char16_t kQuoteOpen = u'\u300C';     // 「
constexpr char16_t kQuoteClose = u'\u300D';    // 」

// The header is the lines before the first empty line; the collection's longest has 12. A file
// whose first empty line comes later has no header: its first lines are body text.
constexpr std::size_t kMaxHeaderLines = 12;
// The notes block's closing line of '-' comes within this many lines of its first, or it is no
// notes block (the collection's have 10 to 40).
constexpr std::size_t kMaxNotesLines = 200;

// The characters a line is looked at for; everything between them is copied as it stands. A CR
// that no LF followed is a line end of its own.
bool IsSpecial(char16_t c) {
    return c == kBracketOpen || c == kRubyOpen || c == kBar || c == kGaijiMark ||
           c == kAccentOpen || c == u'\r';
}

#if defined(__SSE2__)
// Two bits for each of the eight units of v that is special.
inline unsigned SpecialMask(__m128i v) {
    auto is = [&v](char16_t c) {
        return _mm_cmpeq_epi16(v, _mm_set1_epi16(static_cast<short>(c)));
    };
    const __m128i hit =
        _mm_or_si128(_mm_or_si128(_mm_or_si128(is(kBracketOpen), is(kRubyOpen)), is(u'\r')),
                     _mm_or_si128(_mm_or_si128(is(kBar), is(kGaijiMark)), is(kAccentOpen)));
    return static_cast<unsigned>(_mm_movemask_epi8(hit));
}
#endif

// The first special character of [p, p + n), n where there is none: eight units at a time. The
// lines between two of them are short, so the last few units are looked at eight at a time too,
// with the eight that end the range.
std::size_t FindSpecial(const char16_t* p, std::size_t n) {
    std::size_t i = 0;
#if defined(__SSE2__)
    if (n >= 8) {
        for (; i + 8 <= n; i += 8) {
            if (const unsigned mask =
                    SpecialMask(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
                mask != 0) {
                return i + static_cast<std::size_t>(__builtin_ctz(mask) / 2);
            }
        }
        if (i == n) {
            return n;
        }
        // Those before i are no special ones: the first bit set is past them.
        if (const unsigned mask =
                SpecialMask(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 8)));
            mask != 0) {
            return n - 8 + static_cast<std::size_t>(__builtin_ctz(mask) / 2);
        }
        return n;
    }
#endif
    for (; i < n; ++i) {
        if (IsSpecial(p[i])) {
            return i;
        }
    }
    return n;
}

// The first c in [p + from, p + n), npos where there is none.
std::size_t FindUnit(const char16_t* p, std::size_t n, std::size_t from, char16_t c) {
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi16(static_cast<short>(c));
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        if (const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(v, wanted)); mask != 0) {
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)) / 2);
        }
    }
#endif
    for (; i < n; ++i) {
        if (p[i] == c) {
            return i;
        }
    }
    return npos;
}

// The lines the notation is read in: the reader's, split once more at a CR without LF.
class LogicalLines {
  public:
    LogicalLines(std::u16string_view text, const LineIndex& index) : text_(text), cursor_(index) {}

    bool Next(std::size_t& start, std::size_t& length) {
        if (!inLine_) {
            std::size_t lineStart = 0;
            std::size_t lineLength = 0;
            if (!cursor_.Next(lineStart, lineLength)) {
                return false;
            }
            pos_ = lineStart;
            end_ = lineStart + lineLength;
            inLine_ = true;
        }
        const std::size_t cr = FindUnit(text_.data(), end_, pos_, u'\r');
        start = pos_;
        if (cr != npos) {
            length = cr - pos_;
            pos_ = cr + 1;
        } else {
            length = end_ - pos_;
            pos_ = end_;
            inLine_ = false;
        }
        return true;
    }

    // What is left of the line the last Next was in, or else the next line whole, lone CRs and
    // all: for the passes, which end a line at a CR themselves.
    bool NextPiece(std::size_t& start, std::size_t& length) {
        if (inLine_) {
            start = pos_;
            length = end_ - pos_;
            pos_ = end_;
            inLine_ = false;
            return true;
        }
        return cursor_.Next(start, length);
    }

  private:
    std::u16string_view text_;
    LineIndex::Cursor cursor_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool inLine_ = false;
};

bool IsDashLine(std::u16string_view line) {
    return !line.empty() &&
           std::all_of(line.begin(), line.end(), [](char16_t c) { return c == u'-'; });
}

// Where the header ends and the notes block lies, in lines as LogicalLines counts them.
struct Layout {
    std::size_t headerLines = 0;
    // The notes block, both lines of '-' included; npos where there is none.
    std::size_t notesFirst = npos;
    std::size_t notesLast = npos;
    // The line after its first line of '-' is the block's title.
    bool notesTitled = false;
};

// settled: false where lines after these could still change it (the header, or the notes block,
// has not ended yet).
Layout FindLayout(std::u16string_view text, const LineIndex& index, bool* settled = nullptr) {
    Layout layout;
    if (settled != nullptr) {
        *settled = false;
    }
    LogicalLines lines(text, index);
    std::size_t start = 0;
    std::size_t length = 0;
    std::size_t i = 0;
    bool ended = false;
    while (i <= kMaxHeaderLines) {
        if (!lines.Next(start, length)) {
            return layout;
        }
        if (length == 0) {
            ended = true;
            break;
        }
        ++i;
    }
    if (settled != nullptr) {
        *settled = !ended;
    }
    if (!ended) {
        return layout;
    }
    layout.headerLines = i++;
    // The block may follow after more than one empty line (a few texts have two).
    do {
        if (!lines.Next(start, length)) {
            return layout;
        }
        ++i;
    } while (length == 0);
    if (!IsDashLine(text.substr(start, length))) {
        if (settled != nullptr) {
            *settled = true;
        }
        return layout;
    }
    const std::size_t first = --i;
    bool titled = false;
    for (std::size_t k = 1; k <= kMaxNotesLines; ++k) {
        if (!lines.Next(start, length)) {
            return layout;
        }
        const std::u16string_view line = text.substr(start, length);
        if (k == 1) {
            titled = line.starts_with(u"【テキスト中に現れる記号について】");
        }
        if (IsDashLine(line)) {
            layout.notesFirst = first;
            layout.notesLast = first + k;
            layout.notesTitled = titled;
            break;
        }
    }
    // A first line of '-' without a second soon after is no notes block: nothing is left out.
    if (settled != nullptr) {
        *settled = true;
    }
    return layout;
}

// A 《…》 with something between, or a ［＃ with a ］ after it.
bool HoldsNotation(const char16_t* line, std::size_t n) {
    for (std::size_t from = 0;;) {
        const std::size_t open = FindUnit(line, n, from, kRubyOpen);
        if (open == npos) {
            break;
        }
        const std::size_t close = FindUnit(line, n, open + 1, kRubyClose);
        if (close == npos) {
            break;
        }
        if (close > open + 1) {
            return true;
        }
        from = close + 1;
    }
    for (std::size_t from = 0;;) {
        const std::size_t open = FindUnit(line, n, from, kBracketOpen);
        if (open == npos) {
            return false;
        }
        if (open + 1 < n && line[open + 1] == kSharp) {
            return FindUnit(line, n, open + 2, kBracketClose) != npos;
        }
        from = open + 1;
    }
}

// The classes of characters that make up an implicit ruby base: the run of characters of one
// class before 《. Else is a run of its own, whatever comes before it.
enum class CharClass : std::uint8_t {
    Else,
    Kanji,
    Hiragana,
    Katakana,
    Zenkaku,           // full-width Latin, digits, Greek and Cyrillic
    Hankaku,           // ASCII letters and digits, and the letters of an accent decomposition
    HankakuTerminate,  // ends a Hankaku run it follows, as part of it: Mr.《ミスター》
};

constexpr bool IsIdeograph(char32_t c) {
    return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3FFFF);
}

constexpr CharClass ClassOfCode(char32_t c) {
    if (c < 0x80) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '#' || c == '-' || c == '&' || c == '\'' || c == ',') {
            return CharClass::Hankaku;
        }
        if (c == '.' || c == ';' || c == '"' || c == '?' || c == '!' || c == ')') {
            return CharClass::HankakuTerminate;
        }
        return CharClass::Else;
    }
    // 々 〆 〇 ※ 仝 ヶ and 〻 write kanji and take their reading with them.
    if (IsIdeograph(c) || c == 0x3005 || c == 0x3006 || c == 0x3007 || c == 0x203B || c == 0x30F6 ||
        c == 0x303B) {
        return CharClass::Kanji;
    }
    if ((c >= 0x3041 && c <= 0x3096) || c == 0x309D || c == 0x309E) {
        return CharClass::Hiragana;
    }
    if ((c >= 0x30A1 && c <= 0x30F4) || (c >= 0x30F7 && c <= 0x30FA) || c == 0x30FC ||
        c == 0x30FD || c == 0x30FE) {
        return CharClass::Katakana;
    }
    if ((c >= 0xFF10 && c <= 0xFF19) || (c >= 0xFF21 && c <= 0xFF3A) ||
        (c >= 0xFF41 && c <= 0xFF5A) || (c >= 0x0391 && c <= 0x03A9) ||
        (c >= 0x03B1 && c <= 0x03C9) || (c >= 0x0410 && c <= 0x044F) || c == 0x0401 ||
        c == 0x0451 || c == 0x2212 || c == 0xFF0D || c == 0xFF06 || c == 0x2019 || c == 0xFF0C ||
        c == 0xFF0E) {
        return CharClass::Zenkaku;
    }
    return CharClass::Else;
}

// The classes of the Basic Multilingual Plane looked up, as every character of a base is.
constexpr auto kPlaneClasses = [] {
    std::array<CharClass, 0x10000> classes{};
    for (char32_t c = 0; c < 0x10000; ++c) {
        classes[c] = ClassOfCode(c);
    }
    return classes;
}();

CharClass ClassOf(char32_t c) {
    return c < 0x10000 ? kPlaneClasses[c] : ClassOfCode(c);
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The accent sequence at [p, end), longest first; null where none starts there.
const AccentSequence* AccentAt(const char16_t* p, const char16_t* end) {
    const AccentSequence* found = nullptr;
    for (std::size_t i = 0; i < kAccentSequenceCount; ++i) {
        const AccentSequence& s = kAccentSequences[i];
        if (static_cast<std::size_t>(end - p) < s.length ||
            (found != nullptr && found->length >= s.length)) {
            continue;
        }
        bool same = true;
        for (unsigned k = 0; k < s.length && same; ++k) {
            same = p[k] == static_cast<char16_t>(s.keys[k]);
        }
        if (same) {
            found = &s;
        }
    }
    return found;
}

// The emphasis marks of the 傍点 kinds.
struct MarkKind {
    std::u16string_view name;  // what comes before 傍点
    char16_t mark;
};
constexpr MarkKind kMarkKinds[] = {
    {u"", u'\uFE45'},        // ﹅ sesame
    {u"白ゴマ", u'\uFE46'},  // ﹆ white sesame
    {u"丸", u'\u25CF'},      // ●
    {u"白丸", u'\u25CB'},    // ○
    {u"黒三角", u'\u25B2'},  // ▲
    {u"白三角", u'\u25B3'},  // △
    {u"二重丸", u'\u25CE'},  // ◎
    {u"蛇の目", u'\u25C9'},  // ◉
    {u"ばつ", u'\u00D7'},    // ×
};

// The mark of "KIND傍点" + tail, 0 for anything else.
char16_t MarkOf(std::u16string_view content, std::u16string_view tail) {
    if (!content.ends_with(tail)) {
        return 0;
    }
    content.remove_suffix(tail.size());
    if (!content.ends_with(u"傍点")) {
        return 0;
    }
    content.remove_suffix(2);
    for (const MarkKind& kind : kMarkKinds) {
        if (content == kind.name) {
            return kind.mark;
        }
    }
    return 0;
}

bool IsHexDigit(char16_t c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
bool IsDigit(char16_t c) {
    return c >= '0' && c <= '9';
}

// Reads 1 or 2 ASCII digits at s[i], advancing i; -1 where there is no digit.
int ReadNumber(std::u16string_view s, std::size_t& i) {
    if (i >= s.size() || !IsDigit(s[i])) {
        return -1;
    }
    int value = s[i++] - '0';
    if (i < s.size() && IsDigit(s[i])) {
        value = value * 10 + (s[i++] - '0');
    }
    return value;
}

// What the ruby and the marks of a document are gathered into, and the gaiji table.
struct Context {
    std::vector<Ruby>* ruby = nullptr;
    Jisx0213 jis;
};

// Reads the notation of one line: [in, in + n), or up to its first CR, which ends the line too.
// The output may lie in the same buffer as the input, before it: nothing writes more units than
// it has read, so the output never overtakes the input. Every look ahead (for a 》, a ］, a 〕)
// stops at a CR as at the end.
class LinePass {
  public:
    // records: the ruby and marks are kept (not in the header). nested: the line is the text of
    // a reading or of an annotation's target, read for its characters alone.
    //
    // inAt: where the input lies in the output's buffer (in == out + inAt), or kApart where the
    // output has a buffer of its own, with kSlack units of room after what the input can give.
    LinePass(Context& context, const char16_t* in, std::size_t n, char16_t* out, std::size_t w,
             std::size_t inAt, bool records, bool nested)
        : context_(context),
          in_(in),
          n_(n),
          out_(out),
          w_(w),
          inAt_(inAt),
          lineStart_(w),
          records_(records && context.ruby != nullptr && !nested),
          nested_(nested),
          barrier_(w) {}

    static constexpr std::size_t kApart = npos;
    static constexpr std::size_t kSlack = AozoraReader::kSlack;

    // Returns where the output ends.
    std::size_t Run() {
        while (r_ < n_) {
            if (accentEnd_ != npos) {
                AccentStep();
                continue;
            }
            CopyPlain();
            if (r_ == n_) {
                break;
            }
            if (in_[r_] == u'\r') {
                ++r_;
                break;
            }
            Special();
        }
        return w_;
    }
    // How much of the input the line took, its CR included.
    std::size_t Consumed() const { return r_; }

  private:
    struct Item {
        std::size_t pos;
        std::size_t length;
        CharClass cls;
    };
    struct OpenMark {
        char16_t mark;
        std::size_t start;
    };

    // Copies the characters up to the next special one. Eight units are looked at and stored at
    // once where the store cannot reach input not read yet: into a buffer apart, on the input
    // itself, or eight units or more behind it.
    void CopyPlain() {
#if defined(__SSE2__)
        while (r_ + 8 <= n_ && (inAt_ == kApart || inAt_ + r_ == w_ || inAt_ + r_ >= w_ + 8)) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in_ + r_));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out_ + w_), v);
            if (const unsigned mask = SpecialMask(v); mask != 0) {
                const auto k = static_cast<std::size_t>(__builtin_ctz(mask) / 2);
                r_ += k;
                w_ += k;
                return;
            }
            r_ += 8;
            w_ += 8;
        }
#endif
        const std::size_t plain = FindSpecial(in_ + r_, n_ - r_);
        Copy(in_ + r_, plain);
        r_ += plain;
    }

    void Copy(const char16_t* from, std::size_t count) {
        if (out_ + w_ != from) {
            std::memmove(out_ + w_, from, count * sizeof(char16_t));
        }
        w_ += count;
    }
    void Emit(char16_t c) {
        out_[w_++] = c;
    }

    // Ends the run an implicit base may be taken from.
    void Break() {
        barrier_ = w_;
        sealedEnd_ = npos;
    }

    void Special() {
        switch (in_[r_]) {
            case kBar:
                Emit(kBar);
                bar_ = w_ - 1;
                ++r_;
                return;
            case kRubyOpen:
                ReadRuby();
                return;
            case kBracketOpen:
                if (r_ + 1 < n_ && in_[r_ + 1] == kSharp) {
                    if (const std::size_t close = MatchOf(r_); close != npos) {
                        Annotation(std::u16string_view(in_ + r_ + 2, close - r_ - 2), close);
                        r_ = close + 1;
                        return;
                    }
                }
                break;
            case kGaijiMark:
                if (r_ + 2 < n_ && in_[r_ + 1] == kBracketOpen && in_[r_ + 2] == kSharp) {
                    if (const std::size_t close = MatchOf(r_ + 1); close != npos) {
                        Gaiji(std::u16string_view(in_ + r_ + 3, close - r_ - 3));
                        r_ = close + 1;
                        return;
                    }
                }
                break;
            case kAccentOpen:
                if (AccentOpens()) {
                    ++r_;
                    return;
                }
                break;
            default:
                break;
        }
        Emit(in_[r_++]);
    }

    // ---- ruby

    void ReadRuby() {
        const std::size_t close = FindRubyClose(r_ + 1);
        if (close == npos || close == r_ + 1) {
            // No 》 on the line, or 《》: characters.
            Emit(in_[r_++]);
            return;
        }
        std::size_t start = 0;
        if (bar_ != npos) {
            start = bar_;
            bar_ = npos;
            RemoveUnit(start);
            if (start == w_) {
                // ｜《…》 has no base: the brackets and what they hold stay, as web novels
                // write a literal 《.
                Emit(in_[r_++]);
                return;
            }
        } else if (nested_) {
            start = w_;
        } else if (!ImplicitBase(start)) {
            Emit(in_[r_++]);
            return;
        }
        if (records_) {
            std::u16string converted;
            AddReading(start, w_ - start,
                       Nested(std::u16string_view(in_ + r_ + 1, close - r_ - 1), converted));
        }
        Break();
        r_ = close + 1;
    }

    // The first 》 from `from` on that is not inside an annotation. The scans of one line go on
    // from where the last one ended, so that a line of 《 without 》 costs no more than one scan.
    std::size_t FindRubyClose(std::size_t from) {
        if (closeScannedFrom_ != npos && from >= closeScannedFrom_ &&
            (closeFound_ == npos || from <= closeFound_)) {
            return closeFound_;
        }
        closeScannedFrom_ = from;
        for (std::size_t i = from; i < n_ && in_[i] != u'\r'; ++i) {
            if (in_[i] == kRubyClose) {
                closeFound_ = i;
                return i;
            }
            if (in_[i] == kBracketOpen && i + 1 < n_ && in_[i + 1] == kSharp) {
                if (const std::size_t close = MatchOf(i); close != npos) {
                    i = close;
                }
            }
        }
        closeFound_ = npos;
        return npos;
    }

    // The run of one class before the output's end, back to the last break. False where there
    // is none.
    bool ImplicitBase(std::size_t& start) {
        if (sealedEnd_ == w_ && sealedStart_ < w_) {
            // A forward-referring annotation right before 《: its target is the base.
            start = sealedStart_;
            return true;
        }
        if (w_ <= barrier_) {
            return false;
        }
        std::size_t cursor = items_.size();
        std::size_t at = w_;
        CharClass cls = ItemBefore(at, cursor);
        if (cls == CharClass::Else) {
            start = at;
            return true;
        }
        if (cls == CharClass::HankakuTerminate) {
            std::size_t before = at;
            if (at > barrier_ && ItemBefore(before, cursor) == CharClass::Hankaku) {
                at = before;
                cls = CharClass::Hankaku;
            } else {
                start = at;
                return true;
            }
        }
        while (at > barrier_) {
            std::size_t before = at;
            if (ItemBefore(before, cursor) != cls) {
                break;
            }
            at = before;
        }
        start = at;
        return true;
    }

    // The class of the item that ends at `at`, which becomes where it starts. cursor walks the
    // gaiji and accent letters back with it.
    CharClass ItemBefore(std::size_t& at, std::size_t& cursor) const {
        while (cursor > 0 && items_[cursor - 1].pos >= at) {
            --cursor;
        }
        if (cursor > 0 && items_[cursor - 1].pos + items_[cursor - 1].length == at) {
            --cursor;
            at = items_[cursor].pos;
            return items_[cursor].cls;
        }
        const char16_t c = out_[at - 1];
        if (IsLowSurrogate(c) && at - 1 > barrier_ && IsHighSurrogate(out_[at - 2])) {
            at -= 2;
            return ClassOf(0x10000 + ((static_cast<char32_t>(out_[at]) - 0xD800) << 10) +
                           (static_cast<char32_t>(c) - 0xDC00));
        }
        --at;
        return ClassOf(c);
    }

    // Takes the tentative ｜ at pos out of the output; everything after it moves back by one.
    void RemoveUnit(std::size_t pos) {
        std::memmove(out_ + pos, out_ + pos + 1, (w_ - pos - 1) * sizeof(char16_t));
        --w_;
        auto shift = [pos](std::size_t& x) {
            if (x != npos && x > pos) {
                --x;
            }
        };
        shift(barrier_);
        shift(sealedStart_);
        shift(sealedEnd_);
        for (Item& item : items_) {
            shift(item.pos);
        }
        for (OpenMark& open : openMarks_) {
            shift(open.start);
        }
        for (std::size_t& open : openNotes_) {
            shift(open);
        }
        if (!records_) {
            return;
        }
        std::vector<::Ruby>& ruby = *context_.ruby;
        for (std::size_t k = ruby.size(); k-- > 0;) {
            ::Ruby& record = ruby[k];
            if (record.first + record.count <= pos) {
                break;
            }
            if (record.first > pos) {
                --record.first;
            } else if (--record.count == 0) {
                ruby.erase(ruby.begin() + static_cast<std::ptrdiff_t>(k));
            }
        }
    }

    // ---- annotations

    void Annotation(std::u16string_view content, std::size_t close) {
        // Okurigana of kanbun, ［＃（ノ）］: the kana are read with the text.
        if (content.size() > 2 && content.front() == kParenOpen && content.back() == kParenClose) {
            Break();
            std::u16string converted;
            const std::u16string_view kana =
                Nested(content.substr(1, content.size() - 2), converted);
            Copy(kana.data(), kana.size());
            Break();
            return;
        }
        if (nested_) {
            return;
        }
        Break();
        if (content == u"割り注") {
            // Printed as two small lines inside the text; on one line it reads as a note in
            // parentheses, unless it stands in them already.
            const bool parenthesised = (w_ > lineStart_ && out_[w_ - 1] == kParenOpen) ||
                                       (close + 1 < n_ && in_[close + 1] == kParenOpen);
            if (!parenthesised) {
                Emit(kParenOpen);
                Break();
            }
            warichu_.push_back(!parenthesised);
            return;
        }
        if (content == u"割り注終わり") {
            if (!warichu_.empty()) {
                if (warichu_.back()) {
                    Emit(kParenClose);
                    Break();
                }
                warichu_.pop_back();
            }
            return;
        }
        if (const char16_t mark = MarkOf(content, u""); mark != 0) {
            openMarks_.push_back({mark, w_});
            return;
        }
        if (const char16_t mark = MarkOf(content, u"終わり"); mark != 0) {
            for (std::size_t k = openMarks_.size(); k-- > 0;) {
                if (openMarks_[k].mark == mark) {
                    AddMarks(openMarks_[k].start, w_ - openMarks_[k].start, mark);
                    openMarks_.erase(openMarks_.begin() + static_cast<std::ptrdiff_t>(k));
                    break;
                }
            }
            return;
        }
        if (content == u"注記付き") {
            openNotes_.push_back(w_);
            return;
        }
        if (content.size() < 2 || content.front() != kQuoteOpen) {
            return;
        }
        // ［＃「Y」の注記付き終わり］ ends the range ［＃注記付き］ opened.
        if (constexpr std::u16string_view tail = u"」の注記付き終わり"; content.ends_with(tail)) {
            if (!openNotes_.empty()) {
                const std::size_t start = openNotes_.back();
                openNotes_.pop_back();
                std::u16string converted;
                AddReading(start, w_ - start,
                           Nested(content.substr(1, content.size() - 1 - tail.size()), converted));
            }
            return;
        }
        // Forward-referring: ［＃「TARGET」…］ right after TARGET.
        if (!ForwardMark(content)) {
            ForwardNote(content);
        }
    }

    // ［＃「X」に傍点］ and its kinds: marks over X. False for any other annotation.
    bool ForwardMark(std::u16string_view content) {
        for (const MarkKind& kind : kMarkKinds) {
            // 」に KIND 傍点
            const std::size_t tail = 2 + kind.name.size() + 2;
            if (content.size() <= tail + 1) {
                continue;
            }
            const std::u16string_view end = content.substr(content.size() - tail);
            if (end.substr(0, 2) != u"」に" || end.substr(2, kind.name.size()) != kind.name ||
                end.substr(2 + kind.name.size()) != u"傍点") {
                continue;
            }
            std::size_t start = 0;
            if (Target(content.substr(1, content.size() - 1 - tail), start)) {
                AddMarks(start, w_ - start, kind.mark);
                Seal(start);
            }
            return true;
        }
        return false;
    }

    // ［＃「X」に「Y」の注記］ and ［＃「X」に「Y」の傍記］: Y over X, a reading, or one mark
    // over each character where Y is one character beside a text. Any other forward-referring
    // annotation (［＃「X」は中見出し］ ...) only makes X the base of a ruby right after it.
    void ForwardNote(std::u16string_view content) {
        const bool note = content.ends_with(u"」の注記");
        const bool side = content.ends_with(u"」の傍記");
        if (note || side) {
            const std::size_t split = content.find(u"」に「");
            if (split != std::u16string_view::npos && split + 3 <= content.size() - 4) {
                std::size_t start = 0;
                if (Target(content.substr(1, split - 1), start)) {
                    std::u16string converted;
                    const std::u16string_view over = Nested(
                        content.substr(split + 3, content.size() - 4 - split - 3), converted);
                    if (side && over.size() == 1) {
                        AddMarks(start, w_ - start, over.front());
                    } else {
                        AddReading(start, w_ - start, over);
                    }
                    Seal(start);
                }
                return;
            }
        }
        for (std::size_t k = 1; k + 1 < content.size(); ++k) {
            if (content[k] == kQuoteClose &&
                (content[k + 1] == u'は' || content[k + 1] == u'に' || content[k + 1] == u'の')) {
                std::size_t start = 0;
                if (Target(content.substr(1, k - 1), start)) {
                    Seal(start);
                }
                return;
            }
        }
    }

    // Whether the output ends with the target, on this line; start is where it begins there.
    bool Target(std::u16string_view raw, std::size_t& start) {
        std::u16string converted;
        const std::u16string_view target = Nested(raw, converted);
        if (target.empty() || target.size() > w_ - lineStart_) {
            return false;
        }
        start = w_ - target.size();
        return std::equal(target.begin(), target.end(), out_ + start);
    }

    // The target of a forward-referring annotation is the base of a ruby right after it.
    void Seal(std::size_t start) {
        sealedStart_ = start;
        sealedEnd_ = w_;
        barrier_ = w_;
    }

    // ---- gaiji

    void Gaiji(std::u16string_view content) {
        char16_t units[Jisx0213::kMaxUnits];
        std::size_t length = ResolveGaiji(content, units);
        if (length == 0) {
            units[0] = kGaijiMark;
            length = 1;
        }
        const std::size_t at = w_;
        for (std::size_t i = 0; i < length; ++i) {
            Emit(units[i]);
        }
        // Whatever it depicts, a gaiji is a kanji for the ruby's base; the katakana with
        // dakuten (ヷヸヹヺ) go with katakana.
        const bool katakana = length == 1 && units[0] >= 0x30F7 && units[0] <= 0x30FA;
        if (!nested_) {
            items_.push_back({at, length, katakana ? CharClass::Katakana : CharClass::Kanji});
        }
    }

    // The character a gaiji note names: the first JIS X 0213 code P-RR-CC in it, unless it
    // says 非0213外字 or is an old-style note that quotes ※; else a U+XXXX code.
    std::size_t ResolveGaiji(std::u16string_view content, char16_t (&units)[Jisx0213::kMaxUnits]) {
        const bool jis = content.find(u"非0213外字") == std::u16string_view::npos &&
                         content.find(kGaijiMark) == std::u16string_view::npos;
        for (std::size_t k = 0; jis && k + 4 < content.size(); ++k) {
            if ((content[k] != '1' && content[k] != '2') || content[k + 1] != '-') {
                continue;
            }
            std::size_t i = k + 2;
            const int row = ReadNumber(content, i);
            if (row < 0 || i >= content.size() || content[i] != '-') {
                continue;
            }
            ++i;
            const int cell = ReadNumber(content, i);
            if (cell < 0) {
                continue;
            }
            if (const std::size_t length = context_.jis.Lookup(content[k] - '0', row, cell, units);
                length != 0) {
                return length;
            }
            break;
        }
        for (std::size_t k = content.find(u"U+"); k != std::u16string_view::npos;
             k = content.find(u"U+", k + 1)) {
            std::size_t i = k + 2;
            char32_t code = 0;
            while (i < content.size() && i - k - 2 < 6 && IsHexDigit(content[i])) {
                const char16_t c = content[i++];
                code = code * 16 + static_cast<char32_t>(c <= '9'   ? c - '0'
                                                         : c <= 'F' ? c - 'A' + 10
                                                                    : c - 'a' + 10);
            }
            const std::size_t digits = i - k - 2;
            if (digits < 4 || (i < content.size() && IsHexDigit(content[i]))) {
                continue;
            }
            // Control characters and surrogates are no characters to fly.
            if (code < 0x20 || (code >= 0x7F && code < 0xA0) || (code >= 0xD800 && code < 0xE000) ||
                code > 0x10FFFF) {
                return 0;
            }
            if (code < 0x10000) {
                units[0] = static_cast<char16_t>(code);
                return 1;
            }
            units[0] = static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            units[1] = static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
            return 2;
        }
        return 0;
    }

    // ---- accent decomposition

    // At a 〔: whether it opens an accent range (its 〕 on the line, and at least one sequence
    // between); one that does not is an ordinary bracket, and so is every 〔 up to its 〕.
    bool AccentOpens() {
        if (r_ < accentLiteralUntil_ ||
            (accentCloseNoneFrom_ != npos && r_ >= accentCloseNoneFrom_)) {
            return false;
        }
        std::size_t close = FindUnit(in_, n_, r_ + 1, kAccentClose);
        if (close != npos && FindUnit(in_, close, r_ + 1, u'\r') != npos) {
            close = npos;
        }
        if (close == npos) {
            accentCloseNoneFrom_ = r_;
            return false;
        }
        for (std::size_t i = r_ + 1; i < close; ++i) {
            if (in_[i] < 0x80 && AccentAt(in_ + i, in_ + close) != nullptr) {
                accentEnd_ = close;
                return true;
            }
        }
        accentLiteralUntil_ = close;
        return false;
    }

    void AccentStep() {
        if (r_ == accentEnd_) {
            accentEnd_ = npos;
            accentLiteralUntil_ = r_;
            ++r_;
            return;
        }
        const char16_t c = in_[r_];
        if (c < 0x80) {
            if (const AccentSequence* s = AccentAt(in_ + r_, in_ + accentEnd_); s != nullptr) {
                if (!nested_) {
                    items_.push_back({w_, 1, CharClass::Hankaku});
                }
                Emit(s->character);
                r_ += s->length;
                return;
            }
        }
        if (IsSpecial(c) && c != kAccentOpen) {
            // Annotations inside the range may reach past its 〕 only as far as they go.
            Special();
            if (r_ > accentEnd_) {
                accentEnd_ = npos;
            }
            return;
        }
        Emit(c);
        ++r_;
    }

    // ---- brackets

    // The ］ that closes the ［ at open, counting every ［ and ］ of the line; npos where the
    // line ends first.
    std::size_t MatchOf(std::size_t open) {
        if (!tabled_) {
            // Nearly every ［＃ closes on its line: its ］ is found by counting on from it.
            std::size_t depth = 0;
            for (std::size_t i = open; i < n_ && in_[i] != u'\r'; ++i) {
                if (in_[i] == kBracketOpen) {
                    ++depth;
                } else if (in_[i] == kBracketClose && --depth == 0) {
                    return i;
                }
            }
            // One that does not would have every later one count to the end of the line again:
            // from here on the brackets are matched once, all together.
            tabled_ = true;
            std::vector<std::size_t> stack;
            for (std::size_t i = open; i < n_ && in_[i] != u'\r'; ++i) {
                if (in_[i] == kBracketOpen) {
                    stack.push_back(i);
                } else if (in_[i] == kBracketClose && !stack.empty()) {
                    const std::size_t o = stack.back();
                    stack.pop_back();
                    if (o + 1 < n_ && in_[o + 1] == kSharp) {
                        pairs_.push_back({o, i});
                    }
                }
            }
            std::sort(pairs_.begin(), pairs_.end());
        }
        const auto it = std::lower_bound(pairs_.begin(), pairs_.end(),
                                         std::pair<std::size_t, std::size_t>(open, 0));
        return it != pairs_.end() && it->first == open ? it->second : npos;
    }

    // ---- the text of readings and targets

    // The characters of raw, read with the notation into converted where it holds any.
    std::u16string_view Nested(std::u16string_view raw, std::u16string& converted) {
        if (FindSpecial(raw.data(), raw.size()) == raw.size()) {
            return raw;
        }
        converted.assign(raw.size() + kSlack, u'\0');
        LinePass pass(context_, raw.data(), raw.size(), converted.data(), 0, kApart, false, true);
        converted.resize(pass.Run());
        return converted;
    }

    // ---- ruby and marks

    // A reading over [first, first + count): marks there give way, another reading keeps it.
    void AddReading(std::size_t first, std::size_t count, std::u16string_view reading) {
        if (!records_ || count == 0 || reading.empty()) {
            return;
        }
        std::vector<::Ruby>& ruby = *context_.ruby;
        const std::size_t end = first + count;
        const std::size_t tail = ReachingPast(first);
        if (tail == ruby.size()) {
            // Made where it lies: the reading is copied once.
            ::Ruby& made = ruby.emplace_back();
            made.first = static_cast<std::uint32_t>(first);
            made.count = static_cast<std::uint32_t>(count);
            made.reading.assign(reading);
            return;
        }
        std::vector<::Ruby> kept;
        for (std::size_t k = tail; k < ruby.size(); ++k) {
            const ::Ruby& r = ruby[k];
            const std::size_t rEnd = std::size_t{r.first} + r.count;
            if (r.first >= end) {
                kept.push_back(r);
                continue;
            }
            if (r.kind == ::Ruby::Kind::Reading) {
                return;
            }
            if (r.first < first) {
                kept.push_back(Piece(r.first, first, r.reading, r.kind));
            }
            if (rEnd > end) {
                kept.push_back(Piece(end, rEnd, r.reading, r.kind));
            }
        }
        kept.push_back(Piece(first, end, std::u16string(reading), ::Ruby::Kind::Reading));
        Replace(tail, kept);
    }

    // One mark over each character of [first, first + count) that nothing is drawn over yet.
    void AddMarks(std::size_t first, std::size_t count, char16_t mark) {
        if (!records_ || count == 0) {
            return;
        }
        std::vector<::Ruby>& ruby = *context_.ruby;
        const std::size_t end = first + count;
        const std::size_t tail = ReachingPast(first);
        const std::u16string marks(1, mark);
        if (tail == ruby.size()) {
            ruby.push_back(Piece(first, end, marks, ::Ruby::Kind::Emphasis));
            return;
        }
        std::vector<::Ruby> kept(ruby.begin() + static_cast<std::ptrdiff_t>(tail), ruby.end());
        std::size_t at = first;
        for (std::size_t k = tail; k < ruby.size() && at < end; ++k) {
            const ::Ruby& r = ruby[k];
            if (r.first > at) {
                kept.push_back(
                    Piece(at, std::min<std::size_t>(r.first, end), marks, ::Ruby::Kind::Emphasis));
            }
            at = std::max<std::size_t>(at, std::size_t{r.first} + r.count);
        }
        if (at < end) {
            kept.push_back(Piece(at, end, marks, ::Ruby::Kind::Emphasis));
        }
        Replace(tail, kept);
    }

    // The first record that reaches past first. The records are ordered and never overlap, so
    // the ones it finds are the last few, of this line.
    std::size_t ReachingPast(std::size_t first) const {
        const std::vector<::Ruby>& ruby = *context_.ruby;
        std::size_t tail = ruby.size();
        while (tail > 0 && ruby[tail - 1].first + ruby[tail - 1].count > first) {
            --tail;
        }
        return tail;
    }

    static ::Ruby Piece(std::size_t first, std::size_t end, std::u16string reading,
                        ::Ruby::Kind kind) {
        return ::Ruby{static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(end - first),
                      std::move(reading), kind};
    }

    void Replace(std::size_t tail, std::vector<::Ruby>& records) {
        std::sort(records.begin(), records.end(),
                  [](const ::Ruby& a, const ::Ruby& b) { return a.first < b.first; });
        std::vector<::Ruby>& ruby = *context_.ruby;
        ruby.erase(ruby.begin() + static_cast<std::ptrdiff_t>(tail), ruby.end());
        for (::Ruby& r : records) {
            ruby.push_back(std::move(r));
        }
    }

    Context& context_;
    const char16_t* in_;
    std::size_t n_;
    char16_t* out_;
    std::size_t w_;
    const std::size_t inAt_;
    const std::size_t lineStart_;
    const bool records_;
    const bool nested_;
    std::size_t r_ = 0;

    // Output positions: where the run of an implicit base may start at the earliest; the
    // target of the last forward-referring annotation, while nothing came after it; the
    // tentative ｜.
    std::size_t barrier_;
    std::size_t sealedStart_ = npos;
    std::size_t sealedEnd_ = npos;
    std::size_t bar_ = npos;
    // Gaiji and accent letters, whose class their code does not tell.
    std::vector<Item> items_;
    std::vector<OpenMark> openMarks_;
    std::vector<std::size_t> openNotes_;
    std::vector<bool> warichu_;

    // Input positions: the 〕 of the accent range being read; the end of the last 〔…〕 that
    // held no sequence; from where on no 〕 follows.
    std::size_t accentEnd_ = npos;
    std::size_t accentLiteralUntil_ = 0;
    std::size_t accentCloseNoneFrom_ = npos;
    // The last scan for a 》: from where, and what it found.
    std::size_t closeScannedFrom_ = npos;
    std::size_t closeFound_ = npos;
    // The ［＃ of the line with their ］, once one did not close.
    bool tabled_ = false;
    std::vector<std::pair<std::size_t, std::size_t>> pairs_;
};

// About as many records as the ruby will get, and never fewer but where marks are split around
// readings: one for each 《 and each ＃ (which gaiji have as well). The list is allocated once:
// growing it would hold the old and the new one at once.
std::size_t CountCandidates(std::u16string_view text) {
    std::size_t count = 0;
    const char16_t* p = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i ruby = _mm_set1_epi16(static_cast<short>(kRubyOpen));
    const __m128i sharp = _mm_set1_epi16(static_cast<short>(kSharp));
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        // One bit for each unit that is one of them (of its two); they are rare.
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
                            _mm_or_si128(_mm_cmpeq_epi16(v, ruby), _mm_cmpeq_epi16(v, sharp)))) &
                        0x5555u;
        for (; mask != 0; mask &= mask - 1) {
            ++count;
        }
    }
#endif
    for (; i < n; ++i) {
        count += p[i] == kRubyOpen || p[i] == kSharp ? 1 : 0;
    }
    return count;
}

}  // namespace

bool LooksLikeAozoraText(std::u16string_view text, const LineIndex& lines) {
    const Layout layout = FindLayout(text, lines);
    bool structure = layout.notesFirst != npos && layout.notesTitled;
    bool notation = false;
    LogicalLines logical(text, lines);
    std::size_t start = 0;
    std::size_t length = 0;
    while (logical.Next(start, length)) {
        const std::u16string_view line = text.substr(start, length);
        structure = structure || line.starts_with(u"底本：");
        notation = notation || HoldsNotation(line.data(), line.size());
        if (structure && notation) {
            return true;
        }
    }
    return false;
}

namespace {

// A line of the body as the reader gave it, a lone CR in it ending a line too, read into out
// from w on; inAt as LinePass takes it. Returns where the output ends.
std::size_t ReadBodyLine(Context& context, std::u16string_view line, char16_t* out, std::size_t w,
                         std::size_t inAt) {
    for (std::size_t done = 0; done < line.size();) {
        LinePass pass(context, line.data() + done, line.size() - done, out, w,
                      inAt == LinePass::kApart ? LinePass::kApart : inAt + done, true, false);
        w = pass.Run();
        done += pass.Consumed();
    }
    return w;
}

// The records are many (a ruby every 40 characters of a real text, 48 bytes each) and written
// once from the start to the end: in huge pages the kernel takes one fault every 2 MiB of them
// instead of one every 4 KiB, which cost about as much as reading them.
void AdviseHugePages(const void* data, std::size_t bytes) {
    constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
    const auto first = (reinterpret_cast<std::uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
    const auto last = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kHuge - 1);
    if (last > first) {
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
}

// The text of lines read into out from w on: text's own buffer, or one apart from it with
// LinePass::kSlack units more. Returns where the output ends.
std::size_t ReadNotation(Context& context, std::u16string_view text, const LineIndex& lines,
                         char16_t* out, std::size_t w, bool apart) {
    const Layout layout = FindLayout(text, lines);
    LogicalLines logical(text, lines);
    std::size_t start = 0;
    std::size_t length = 0;
    // The header and the notes block line by line; the rest as the reader's lines come.
    const std::size_t opening =
        layout.notesFirst != npos ? layout.notesLast + 1 : layout.headerLines;
    for (std::size_t i = 0; i < opening && logical.Next(start, length); ++i) {
        if (layout.notesFirst != npos && i >= layout.notesFirst) {
            continue;
        }
        LinePass pass(context, text.data() + start, length, out, w,
                      apart ? LinePass::kApart : start, i >= layout.headerLines, false);
        w = pass.Run();
    }
    while (logical.NextPiece(start, length)) {
        w = ReadBodyLine(context, text.substr(start, length), out, w,
                         apart ? LinePass::kApart : start);
    }
    return w;
}

// The same for a whole text, its records reserved first.
std::size_t ReadWholeText(std::u16string_view text, const LineIndex& lines, char16_t* out,
                          bool apart, std::vector<Ruby>& ruby) {
    ruby.clear();
    ruby.reserve(CountCandidates(text));
    AdviseHugePages(ruby.data(), ruby.capacity() * sizeof(Ruby));
    Context context;
    context.ruby = &ruby;
    return ReadNotation(context, text, lines, out, 0, apart);
}

}  // namespace

void ReadAozoraNotation(std::u16string& text, const LineIndex& lines, std::vector<Ruby>& ruby) {
    if (text.size() > std::numeric_limits<std::uint32_t>::max()) {
        ruby.clear();
        return;
    }
    text.resize(ReadWholeText(text, lines, text.data(), false, ruby));
}

std::u16string ReadAozoraNotationApartForTesting(std::u16string_view text, const LineIndex& lines,
                                                 std::vector<Ruby>& ruby) {
    std::u16string out(text.size() + LinePass::kSlack, u'\0');
    out.resize(ReadWholeText(text, lines, out.data(), true, ruby));
    return out;
}

// The two real texts of the tests carry a ruby or a mark every 78 bytes of their files; the text
// is reserved for a unit a byte.
constexpr std::size_t kUnitsPerRecord = 64;

// While the opening lines are read they wait, joined, until they show what the text is: at most
// this much of them.
constexpr std::size_t kMaxOpeningUnits = std::size_t{64} << 10;

struct AozoraReader::State {
    enum class Mode {
        Opening,  // the first lines, until the layout is settled
        Reading,  // an Aozora Bunko text: each line read as it comes
        Joining,  // not known yet: the lines joined, looked at at the end
    };

    bool always;
    std::u16string& text;
    std::vector<Ruby>& ruby;
    Mode mode = Mode::Opening;
    std::u16string opening;
    LineIndex lines;
    Context context;

    State(bool a, std::u16string& t, std::vector<Ruby>& r) : always(a), text(t), ruby(r) {
        context.ruby = &ruby;
    }

    // Reads what is in opening into the text, with the rest of the lines to come.
    void Settle(bool atEnd) {
        bool settled = atEnd;
        const Layout layout = FindLayout(opening, lines, atEnd ? nullptr : &settled);
        if (!settled && opening.size() < kMaxOpeningUnits) {
            return;
        }
        const bool read = settled && (always || (layout.notesFirst != npos && layout.notesTitled &&
                                                 HoldsNotationAnywhere()));
        if (read) {
            mode = Mode::Reading;
            // The records come before their number is known: reserved for about as many as a
            // real text of that size has, so that the list seldom grows (and, growing, holds
            // the old records and the new ones at once).
            ruby.reserve(text.capacity() / kUnitsPerRecord);
            AdviseHugePages(ruby.data(), ruby.capacity() * sizeof(Ruby));
            const std::size_t at = text.size();
            text.resize(at + opening.size() + LinePass::kSlack);
            text.resize(ReadNotation(context, opening, lines, text.data(), at, true));
        } else {
            mode = Mode::Joining;
            text += opening;
        }
        std::u16string().swap(opening);
        if (read) {
            lines.Clear();
        }
    }

    bool HoldsNotationAnywhere() const {
        LogicalLines logical(opening, lines);
        std::size_t start = 0;
        std::size_t length = 0;
        while (logical.Next(start, length)) {
            if (HoldsNotation(opening.data() + start, length)) {
                return true;
            }
        }
        return false;
    }
};

AozoraReader::AozoraReader(bool always, std::u16string& text, std::vector<Ruby>& ruby)
    : state_(std::make_unique<State>(always, text, ruby)) {
    ruby.clear();
}

AozoraReader::~AozoraReader() = default;

void AozoraReader::Add(std::u16string& line) {
    State& s = *state_;
    switch (s.mode) {
        case State::Mode::Opening:
            s.opening += line;
            s.lines.Add(line.size());
            s.Settle(false);
            return;
        case State::Mode::Reading: {
            const std::size_t at = s.text.size();
            s.text.resize(at + line.size() + LinePass::kSlack);
            s.text.resize(ReadBodyLine(s.context, line, s.text.data(), at, LinePass::kApart));
            return;
        }
        case State::Mode::Joining:
            s.text += line;
            s.lines.Add(line.size());
            return;
    }
}

bool AozoraReader::Finish() {
    State& s = *state_;
    if (s.mode == State::Mode::Opening) {
        s.Settle(true);
    }
    if (s.mode == State::Mode::Reading) {
        return true;
    }
    if (!s.always && !LooksLikeAozoraText(s.text, s.lines)) {
        return false;
    }
    ReadAozoraNotation(s.text, s.lines, s.ruby);
    return true;
}
