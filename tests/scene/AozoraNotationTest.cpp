#include "scene/AozoraNotation.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "scene/LineReader.h"

namespace {

struct Read {
    std::u16string text;
    std::vector<Ruby> ruby;
};

std::vector<std::u16string> SplitLines(std::u16string_view lines) {
    std::vector<std::u16string> split;
    for (std::size_t from = 0;;) {
        const std::size_t end = lines.find(u'\n', from);
        split.emplace_back(lines.substr(from, end - from));
        if (end == std::u16string_view::npos) {
            return split;
        }
        from = end + 1;
    }
}

// The lines joined as the document joins them, and their index.
std::u16string Join(const std::vector<std::u16string>& lines, LineIndex& index) {
    std::u16string text;
    for (const std::u16string& line : lines) {
        text += line;
        index.Add(line.size());
    }
    return text;
}

Read ReadLines(const std::vector<std::u16string>& lines) {
    LineIndex index;
    Read read{Join(lines, index), {}};
    ReadAozoraNotation(read.text, index, read.ruby);
    return read;
}

// Lines separated by \n, read with the notation.
Read ReadText(std::u16string_view lines) {
    return ReadLines(SplitLines(lines));
}

// One line of body text: after an empty first line there is no header.
Read Body(std::u16string_view line) {
    return ReadLines({u"", std::u16string(line)});
}

// Each ruby as its base and what is drawn over it: base《reading》, or base［mark］ for marks.
std::vector<std::u16string> Drawn(const Read& read) {
    std::vector<std::u16string> drawn;
    for (const Ruby& r : read.ruby) {
        const std::u16string base = read.text.substr(r.first, r.count);
        drawn.push_back(r.kind == Ruby::Kind::Reading ? base + u"《" + r.reading + u"》"
                                                      : base + u"［" + r.reading + u"］");
    }
    return drawn;
}

// Every ruby inside the text, in order, none overlapping the one before it.
void ExpectWellFormed(const Read& read) {
    std::size_t end = 0;
    for (const Ruby& r : read.ruby) {
        EXPECT_GE(r.first, end) << "overlaps the ruby before it";
        EXPECT_GE(r.count, 1u);
        EXPECT_LE(std::size_t{r.first} + r.count, read.text.size());
        EXPECT_FALSE(r.reading.empty());
        if (r.kind == Ruby::Kind::Emphasis) {
            EXPECT_EQ(r.reading.size(), 1u);
        }
        end = std::size_t{r.first} + r.count;
    }
}

// A line, and the text and ruby it must give.
struct Case {
    std::u16string_view line;
    std::u16string_view text;
    std::vector<std::u16string> drawn;
};

void ExpectRead(const Read& read, const Case& c) {
    ExpectWellFormed(read);
    EXPECT_EQ(read.text, c.text);
    EXPECT_EQ(Drawn(read), c.drawn);
}

std::vector<std::u16string> FileLines(const std::string& name) {
    LineReader reader;
    EXPECT_TRUE(reader.Open(std::string(SELVANE_AOZORA_DATA) + "/" + name, TextEncoding::Cp932))
        << name;
    std::vector<std::u16string> lines;
    std::u16string line;
    while (reader.ReadString(line)) {
        lines.push_back(line);
    }
    return lines;
}

const std::vector<std::u16string>& Examples() {
    static const std::vector<std::u16string> lines = FileLines("annotation-examples.txt");
    return lines;
}

// The line of the example file's body that holds needle: its notes block has a few of them too.
std::u16string Example(std::u16string_view needle) {
    int dashLines = 0;
    for (const std::u16string& line : Examples()) {
        if (line.starts_with(u"-----")) {
            ++dashLines;
        } else if (dashLines >= 2 && line.find(needle) != std::u16string::npos) {
            return line;
        }
    }
    ADD_FAILURE() << "no example line holds the needle";
    return {};
}

bool Contains(std::u16string_view text, std::u16string_view part) {
    return text.find(part) != std::u16string_view::npos;
}

TEST(AozoraStructure, HeaderFliesFirstTheNotesBlockNeverAndTheFooterAfterTheBody) {
    const Read read = ReadLines(Examples());
    ExpectWellFormed(read);
    EXPECT_TRUE(
        read.text.starts_with(u"「注記一覧」記載例文青空文庫「注記一覧」に記載した記入例をまとめた"
                              u"、サンプルテキストです。"));
    // The block's live examples, its title and its dashes are gone; the same words in the body
    // are not.
    EXPECT_FALSE(Contains(read.text, u"テキスト中に現れる記号について"));
    EXPECT_FALSE(Contains(read.text, u"（例）"));
    EXPECT_FALSE(Contains(read.text, u"---"));
    EXPECT_TRUE(read.text.ends_with(
        u"入力：青空文庫校正：青空文庫2010年3月30日作成2021年12月15日修正青空文庫作成ファイル："
        u"このファイルは、インターネットの図書館、青空文庫（http://www.aozora.gr.jp/）で作られ"
        u"ました。入力、校正、制作にあたったのは、ボランティアの皆さんです。"));
    // No annotation reaches the text, nested ones included.
    EXPECT_FALSE(Contains(read.text, u"［＃"));
}

TEST(AozoraStructure, HeaderLinesLoseTheirRubyAndTheFooterKeepsIts) {
    const Read read = ReadText(
        u"吾輩《わがはい》は猫である\n夏目｜漱石《そうせき》\n\n\n"
        u"-------\n【テキスト中に現れる記号について】\n（例）吾輩《わがはい》\n-------\n\n"
        u"　吾輩《わがはい》は猫である。\n\n底本：「猫《ねこ》」");
    EXPECT_EQ(read.text, u"吾輩は猫である夏目漱石　吾輩は猫である。底本：「猫」");
    EXPECT_EQ(Drawn(read), (std::vector<std::u16string>{u"吾輩《わがはい》", u"猫《ねこ》"}));
    EXPECT_EQ(read.ruby[0].first, 12u);
}

TEST(AozoraStructure, WhatIsNoHeaderOrNoNotesBlockIsKept) {
    // A line of dashes without a second one is no notes block: nothing is lost.
    EXPECT_EQ(ReadText(u"題\n\n-----\n本文《ほんぶん》").text, u"題-----本文");
    // A first empty line after more lines than any header has: they are body text.
    std::u16string lines;
    for (int i = 0; i < 13; ++i) {
        lines += u"行《ぎょう》\n";
    }
    const Read read = ReadText(lines + u"\n-----\n例\n-----\n終");
    EXPECT_EQ(read.ruby.size(), 13u);
    EXPECT_TRUE(read.text.ends_with(u"行-----例-----終"));
    // A lone CR ends a line, as in a few old texts.
    const Read cr = ReadLines({u"題\r\r-----\r例《れい》\r-----\r本文《ほんぶん》\r続く"});
    EXPECT_EQ(cr.text, u"題本文続く");
    EXPECT_EQ(Drawn(cr), std::vector<std::u16string>{u"本文《ほんぶん》"});
}

TEST(AozoraRuby, ExplicitAndImplicitBasesOfTheExamples) {
    // The lines of the example file that hold these.
    const Case cases[] = {
        {u"霧の｜ロンドン", u"霧のロンドン警視庁", {u"ロンドン警視庁《スコットランドヤード》"}},
        {u"〆切《しめきり》",
         u"〆切を逃れるために、市ヶ谷から転々と、居を移した。",
         {u"〆切《しめきり》", u"市ヶ谷《いちがや》", u"転々《てんてん》"}},
        {u"子窓《れんじまど》の下", u"…水鉢を置いた欞子窓の下には…", {u"欞子窓《れんじまど》"}},
        {u"〔E'tude〕《エチュード》", u"それが彼の Étude だった。", {u"Étude《エチュード》"}},
        {u"研究されたので", u"研究されたのでという絵には", {u"されたので《花がたみ》"}},
        {u"活動写真撮影業",
         u"活動写真撮影業及び活動写真機械及附属品販売業並にフィルム現像、複写業",
         {u"並《ならび》", u"現像《げんぞう》", u"複写業《ふくしゃぎょう》"}},
    };
    for (const Case& c : cases) {
        ExpectRead(Body(Example(c.line)), c);
    }
}

TEST(AozoraRuby, CharacterClassesDelimitTheImplicitBase) {
    const struct {
        std::u16string_view line;
        std::u16string_view base;
    } cases[] = {
        {u"それは釜右ヱ門《かまえもん》", u"門"},  // katakana and kanji part
        {u"ひらがなの後の漢字《かんじ》", u"漢字"},
        {u"ひらがな《ヒラガナ》", u"ひらがな"},
        {u"カタカナー《かたかなー》", u"カタカナー"},
        {u"全角ＡＢＣ１２《えーびーしー》", u"ＡＢＣ１２"},
        {u"彼は Mr.《ミスター》", u"Mr."},
        {u"彼は ｜Au revoir《さらば》 と", u"Au revoir"},
        {u"兄きのような Fanatiker《ファナチイケル》 とは", u"Fanatiker"},
        {u"天下|治《おさ》", u"治"},  // an ASCII | is no marker
        {u"これは？《インタロゲーションマーク》", u"？"},
        {u"髙橋《たかはし》", u"髙橋"},  // a kanji beyond JIS X 0208 is a kanji too
        {u"\U00020B9F《しかる》", u"\U00020B9F"},
        {u"名※［＃二の字点、1-2-22］《めいめい》", u"名〻"},
    };
    for (const auto& c : cases) {
        const Read read = Body(c.line);
        ASSERT_EQ(read.ruby.size(), 1u) << read.ruby.size();
        EXPECT_EQ(read.text.substr(read.ruby[0].first, read.ruby[0].count), c.base);
    }
}

TEST(AozoraRuby, MarkersWithoutARubyStayCharacters) {
    const struct {
        std::u16string_view line;
        std::u16string_view text;
    } cases[] = {
        {u"縦線｜だけ", u"縦線｜だけ"},         {u"空の《》ルビ", u"空の《》ルビ"},
        {u"閉じない《るび", u"閉じない《るび"}, {u"《行頭》から", u"《行頭》から"},
        {u"｜《かんじ》", u"《かんじ》"},       {u"ａ｜ｂ｜ｃ《しー》", u"ａ｜ｂｃ"},
    };
    for (const auto& c : cases) {
        const Read read = Body(c.line);
        EXPECT_EQ(read.text, c.text);
        EXPECT_EQ(read.ruby.size(), c.line == u"ａ｜ｂ｜ｃ《しー》" ? 1u : 0u);
    }
    // A ruby does not reach across a line end.
    EXPECT_EQ(ReadText(u"\n｜漢字\n《かんじ》").text, u"｜漢字《かんじ》");
}

TEST(AozoraRuby, AnnotationsAroundTheBase) {
    const Case cases[] = {
        // The target of a forward-referring annotation right before 《 is the base.
        {u"その瀕［＃「瀕」は太字］《ひん》死", u"その瀕死", {u"瀕《ひん》"}},
        {u"米機Ｂ29［＃「29」は縦中横］《にじゅうく》", u"米機Ｂ29", {u"29《にじゅうく》"}},
        // Any other annotation ends the run.
        {u"漢［＃改ページ］字《じ》", u"漢字", {u"字《じ》"}},
        // After ｜ annotations are swallowed into the base.
        {u"｜宜引［＃「引」は小書き右寄せ］縞《ぎいんじま》", u"宜引縞", {u"宜引縞《ぎいんじま》"}},
        // 《…》 inside an annotation quotes the original.
        {u"龍華寺［＃「龍華《りうげ》寺」は底本では「龍華寺《りうじ》」］", u"龍華寺", {}},
        // A reading may hold gaiji; other annotations in it are dropped.
        {u"［＃注記付き］勝安房守［＃「本ト麟太郎※［＃コト、1-2-24］」の注記付き終わり］",
         u"勝安房守",
         {u"勝安房守《本ト麟太郎ヿ》"}},
        {u"殿《との［＃ママ］》", u"殿", {u"殿《との》"}},
    };
    for (const Case& c : cases) {
        ExpectRead(Body(c.line), c);
    }
}

TEST(AozoraAnnotations, EmphasisKindsBecomeOneMarkPerCharacter) {
    const std::u16string_view kinds[] = {u"",       u"白ゴマ", u"丸",     u"白丸", u"黒三角",
                                         u"白三角", u"二重丸", u"蛇の目", u"ばつ"};
    const std::u16string_view marks[] = {u"﹅", u"﹆", u"●", u"○", u"▲", u"△", u"◎", u"◉", u"×"};
    for (std::size_t k = 0; k < std::size(kinds); ++k) {
        const std::u16string kind(kinds[k]);
        const std::u16string mark(marks[k]);
        const Read forward = Body(Example(u"責［＃「責」に" + kind + u"傍点］"));
        EXPECT_EQ(forward.text, u"責空文庫");
        EXPECT_EQ(Drawn(forward), std::vector<std::u16string>{u"責［" + mark + u"］"});
        const Read range = Body(Example(u"［＃" + kind + u"傍点］青空文庫で"));
        EXPECT_EQ(range.text, u"青空文庫で読書しよう。");
        EXPECT_EQ(Drawn(range),
                  std::vector<std::u16string>{u"青空文庫で読書しよう［" + mark + u"］"});
        // Left of the text there is nowhere to draw them: the left forms only drop out.
        const Read left = Body(Example(u"責［＃「責」の左に" + kind + u"傍点］"));
        EXPECT_EQ(left.text, u"責空文庫");
        EXPECT_TRUE(left.ruby.empty());
    }
    const Read several = Body(Example(u"腹がへっても［＃「腹がへっても」に傍点］"));
    EXPECT_EQ(several.text, u"　腹がへっても、ひもじゅうないとかぶりを振っている…");
    EXPECT_EQ(Drawn(several),
              (std::vector<std::u16string>{u"腹がへっても［﹅］", u"ひもじゅうない［﹅］"}));
    // Nested brackets are matched by depth; a target not right before its note marks nothing.
    const Read nested = Body(
        u"※［＃「てへん＋劣」、第3水準1-84-77］［＃「※［＃「てへん＋劣」、第3水準1-84-"
        u"77］」に傍点］");
    EXPECT_EQ(Drawn(nested), std::vector<std::u16string>{u"挘［﹅］"});
    const Read missed = Body(u"青空文庫［＃「青空」に傍点］");
    EXPECT_EQ(missed.text, u"青空文庫");
    EXPECT_TRUE(missed.ruby.empty());
}

TEST(AozoraAnnotations, ReadingsKeepTheirCharactersFromMarks) {
    const Read read = Body(Example(u"来《き》た［＃「来た」に白丸傍点］"));
    ExpectWellFormed(read);
    EXPECT_EQ(read.text, u"東を差して来た小僧皆身の為に…");
    EXPECT_EQ(Drawn(read),
              (std::vector<std::u16string>{u"東《ひがし》", u"差《さ》", u"来《き》", u"た［○］",
                                           u"小僧《こぞう》", u"皆身《みなみ》", u"為《ため》"}));
    // Marks first, a reading after them: the reading still wins its characters.
    const Read after = Body(u"［＃傍点］その青空《あおぞら》の下［＃傍点終わり］");
    ExpectWellFormed(after);
    EXPECT_EQ(Drawn(after),
              (std::vector<std::u16string>{u"その［﹅］", u"青空《あおぞら》", u"の下［﹅］"}));
}

TEST(AozoraAnnotations, NotesOverATextBecomeReadings) {
    EXPECT_EQ(Drawn(Body(Example(u"吹喋［＃"))), std::vector<std::u16string>{u"喋《ママ》"});
    EXPECT_EQ(Drawn(Body(Example(u"大空文庫［＃「大空文庫」に「ママ」の注記］"))),
              std::vector<std::u16string>{u"大空文庫《ママ》"});
    EXPECT_EQ(Drawn(Body(Example(u"［＃注記付き］名"))),
              std::vector<std::u16string>{u"名〻《（銘々）》"});
    // One character beside a text is a mark over each of its characters.
    EXPECT_EQ(Drawn(Body(Example(u"工場［＃「工場」に「×」の傍記］"))),
              (std::vector<std::u16string>{u"工場［×］", u"ヤスリ［﹅］", u"ト石［﹅］"}));
    // Notes on the left, left ruby and corrections drop out.
    for (const std::u16string_view needle :
         {u"大空文庫［＃「大空文庫」の左に「ママ」の注記］",
          u"青空文庫［＃「青空文庫」の左に「あおぞらぶんこ」のルビ］", u"紋附だとか［＃"}) {
        EXPECT_TRUE(Body(Example(needle)).ruby.empty());
    }
}

TEST(AozoraAnnotations, KanbunOkuriganaAndWarichuStayInTheText) {
    EXPECT_EQ(Body(Example(u"山城［＃（ノ）］國")).text,
              u"山城ノ國久世ノ郡水主ニ坐ス山背ノ大國魂命ノ神、");
    EXPECT_EQ(Body(Example(u"自［＃二］女王國")).text, u"自女王國東度海千餘里。");
    EXPECT_EQ(
        Body(Example(u"政治家の事［＃割り注］")).text,
        u"…理論家の説と（ヒロソヒイ）政治家の事（ポリチカルマタル）とは大に区別あるものなり。…");
    // Already in parentheses: none are added.
    EXPECT_EQ(Body(Example(u"被官《ひかん》（［＃割り注］")).text,
              u"　被官（中世、上級武士に下属して家臣化した下級武士）、下部が恣にその主人を見棄てて"
              u"他へ出奔し、…");
    EXPECT_EQ(Body(Example(u"飽海郡")).text,
              u"飽海郡南平田村大字飛鳥（東は字大林四三七西は字神内一一一ノ一）");
}

TEST(AozoraGaiji, CodesBecomeTheirCharacters) {
    const struct {
        std::u16string_view line;
        std::u16string_view text;
    } cases[] = {
        {u"※［＃「てへん＋劣」、第3水準1-84-77］", u"挘"},
        {u"※［＃「てへん＋丑」、第4水準2-12-93］", u"扭"},    // plane 2
        {u"※［＃「勹＋丿」、第4水準2-1-1］", u"\U00020089"},  // beyond U+FFFF
        {u"※［＃半濁点付き平仮名か、1-4-87］", u"か\u309A"},  // two code points
        {u"※［＃「口＋世」、U+546D、ページ数-行数］", u"呭"},
        {u"※［＃「土へん＋竒」、56-上-3］", u"※"},
        {u"※［＃「※」は「牛＋建」、1-1-1］", u"※"},
        {u"※［＃「口＋世」、非0213外字、1-84-77、U+546D］", u"呭"},
        {u"※［＃「無い」、2-2-1］", u"※"},  // a row plane 2 does not have
        {u"※［＃制御、U+0007］", u"※"},
        {u"※底本の編者による脚注", u"※底本の編者による脚注"},
        {u"※［＃閉じない", u"※［＃閉じない"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Body(c.line).text, c.text);
    }
    // The escapes for the notation's own characters give those characters, which are then text.
    EXPECT_EQ(Body(Example(u"※［＃始め二重山括弧、1-1-52］")).text, u"《");
    EXPECT_EQ(Body(u"※［＃濁点付き片仮名ワ、1-7-82］イン《わいん》").ruby.size(), 1u);
    EXPECT_EQ(Drawn(Body(u"※［＃濁点付き片仮名ワ、1-7-82］イン《わいん》")),
              std::vector<std::u16string>{u"ヷイン《わいん》"});
}

TEST(AozoraAccent, DecompositionInsideBracketsOnly) {
    const struct {
        std::u16string_view needle;
        std::u16string_view text;
    } cases[] = {
        {u"〔e'tiquette〕", u"繁雑な日本の étiquette も、"},
        {u"jusqu'〔a`〕", u"jusqu'à"},
        {u"presqu'〔i^le〕", u"presqu'île"},
        {u"'bless〔e'〕e'", u"'blessée'"},
        // No sequence inside: the brackets are ordinary ones.
        {u"〔本全集第一巻所収〕",
         u"＊　『思想』八〇号「空間概念の分析」〔本全集第一巻所収〕参照。"},
        {u"〔Die Humanita:t",
         u"“Die Humanität erst bringt klarheit über die Menschenwelt, und von da aus auch über die "
         u"Götterwelt”"},
        // Greedy: u' is ú as well, as the manual warns.
        {u"〔Sito^t", u"Sitôt qúon le touche il résonne."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Body(Example(c.needle)).text, c.text);
    }
    EXPECT_EQ(Body(u"〔a'〔e'〕").text, u"á〔é");
    EXPECT_EQ(Body(u"〔a' 閉じない").text, u"〔a' 閉じない");
    EXPECT_EQ(Body(u"〔AE&on〕 〔s&〕 〔!@〕").text, u"Æon ß ¡");
}

TEST(AozoraRealTexts, NoNotationIsLeftAndTheRubyLiesOverItsBase) {
    for (const char* name : {"rashomon.txt", "sangetsuki.txt"}) {
        const Read read = ReadLines(FileLines(name));
        ExpectWellFormed(read);
        for (const std::u16string_view marker : {u"《", u"》", u"｜", u"［＃"}) {
            EXPECT_FALSE(Contains(read.text, marker)) << name;
        }
        EXPECT_GT(read.ruby.size(), 100u) << name;
    }
    const Read rashomon = ReadLines(FileLines("rashomon.txt"));
    EXPECT_TRUE(
        rashomon.text.starts_with(u"羅生門芥川龍之介　ある日の暮方の事である。一人の下人が、"));
    const std::vector<std::u16string> first = Drawn(rashomon);
    EXPECT_EQ(std::vector<std::u16string>(first.begin(), first.begin() + 6),
              (std::vector<std::u16string>{u"下人《げにん》", u"羅生門《らしょうもん》",
                                           u"丹塗《にぬり》", u"剥《は》", u"円柱《まるばしら》",
                                           u"蟋蟀《きりぎりす》"}));
    EXPECT_EQ(rashomon.ruby[0].first, 24u);
    EXPECT_TRUE(rashomon.text.ends_with(u"ボランティアの皆さんです。"));
    EXPECT_TRUE(Contains(rashomon.text, u"無理にそこへ扭じ倒した。"));

    const Read sangetsuki = ReadLines(FileLines("sangetsuki.txt"));
    const std::vector<std::u16string> drawn = Drawn(sangetsuki);
    for (const std::u16string_view expected :
         {u"隴西《ろうさい》", u"李徴《りちょう》", u"人間［﹅］", u"ふとらせる［﹅］",
          u"しるし［﹅］"}) {
        EXPECT_NE(std::find(drawn.begin(), drawn.end(), expected), drawn.end());
    }
}

TEST(AozoraReader, LineByLineGivesWhatTheWholeTextGives) {
    auto byLines = [](const std::vector<std::u16string>& lines, bool always, Read& read) {
        AozoraReader reader(always, read.text, read.ruby);
        for (std::u16string line : lines) {
            reader.Add(line);
        }
        return reader.Finish();
    };
    const std::vector<std::u16string> plain = SplitLines(u"メモ\n\n《》と書く\n\n底本：なし");
    const std::vector<std::vector<std::u16string>> texts = {
        Examples(), FileLines("rashomon.txt"),
        // Known only at its footer, and a header that never ends.
        SplitLines(u"題\n\n本文《ほんぶん》\n\n底本：「全集《ぜんしゅう》」"),
        SplitLines(u"行《ぎょう》\n行\r行《ぎょう》"), plain};
    for (const std::vector<std::u16string>& lines : texts) {
        const Read whole = ReadLines(lines);
        Read told;
        EXPECT_TRUE(byLines(lines, true, told));
        EXPECT_EQ(told.text, whole.text);
        EXPECT_EQ(told.ruby, whole.ruby);
        Read decided;
        LineIndex index;
        const std::u16string joined = Join(lines, index);
        const bool aozora = byLines(lines, false, decided);
        EXPECT_EQ(aozora, LooksLikeAozoraText(joined, index));
        EXPECT_EQ(decided.text, aozora ? whole.text : joined);
        EXPECT_EQ(decided.ruby, aozora ? whole.ruby : std::vector<Ruby>());
    }
    Read plainRead;
    EXPECT_FALSE(byLines(plain, false, plainRead));
}

TEST(AozoraRecognition, TheHeaderNotesBlockOrFooterWithNotation) {
    auto looks = [](std::u16string_view lines) {
        LineIndex index;
        const std::u16string text = Join(SplitLines(lines), index);
        return LooksLikeAozoraText(text, index);
    };
    {
        LineIndex index;
        const std::u16string text = Join(FileLines("rashomon.txt"), index);
        EXPECT_TRUE(LooksLikeAozoraText(text, index));
    }
    EXPECT_TRUE(
        looks(u"題\n作者\n\n-----\n【テキスト中に現れる記号について】\n（例）吾輩《わがはい》\n----"
              u"-\n本文"));
    EXPECT_TRUE(looks(u"題\n\n本文《ほんぶん》\n\n底本：「全集」"));
    EXPECT_TRUE(looks(u"題\n\n［＃改ページ］\n底本：「全集」"));
    // A plain file with a stray 《》, or the footer without any notation.
    EXPECT_FALSE(looks(u"メモ\n\n《》と書く\n《未完"));
    EXPECT_FALSE(looks(u"題\n\n本文《ほんぶん》"));
    EXPECT_FALSE(looks(u"題\n\n本文\n底本：「全集」"));
    EXPECT_FALSE(looks(u"題\n\n本文［＃改ページ\n底本：「全集」"));
    // A line of dashes alone is no notes block.
    EXPECT_FALSE(looks(u"題\n\n-----\n例《れい》\n-----"));
}

}  // namespace
