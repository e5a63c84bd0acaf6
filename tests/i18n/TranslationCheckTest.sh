#!/usr/bin/env bash
# The translation check finds each fault it is there for, and passes what is right.
#
#   TranslationCheckTest.sh CHECK
set -euo pipefail
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

cat >"$work/selvane_en.ts" <<'TS'
<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>Selvane</name>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>自動 %1 字/秒</source>
        <translation>Cruise %1 chars/s</translation>
    </message>
    <message>
        <source>背景色(&amp;B)</source>
        <translation>Background Colour</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View &amp;&amp; &amp;Fly</translation>
    </message>
    <message>
        <source>無題</source>
        <translation>Untitled %1</translation>
    </message>
    <message>
        <source>%1 / %2 フレーム</source>
        <translation>Frame %1</translation>
    </message>
    <message>
        <source>既存のファイルを開く
開く</source>
        <translation>Open an existing file</translation>
    </message>
    <message>
        <source>レディ</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
TS
cat >"$work/Shown.cpp" <<'CPP'
// 「コメント」 is no text on screen.
const char* a = QT_TRANSLATE_NOOP("Selvane", "ファイル(&F)");
const QString b = QStringLiteral("IPAゴシック");  // not translated: a font's name
const char c = '"';
const char* d = "自動 %1 "
                "字/秒";
const char* e = "青空文庫の注記を読む";
const char* f = R"(a "raw" 文字)";
CPP
echo "$work/Shown.cpp" >"$work/list.txt"

status=0
output=$("$check" "$work/selvane_en.ts" "$work/list.txt") || status=$?
echo "$output"
[ $status -eq 1 ] || fail "the check ended with $status, not 1"
expect() {
    grep -qF -- "$1" <<<"$output" || fail "the check did not say: $1"
}
expect '"背景色(&B)" has 1 mnemonic(s), its translation "Background Colour" 0'
expect '"表示(&V)" has 1 mnemonic(s), its translation "&View && &Fly" 2'
expect '"無題" has the placeholders [], its translation "Untitled %1" [%1]'
expect '"%1 / %2 フレーム" has the placeholders [%1 %2], its translation "Frame %1" [%1]'
expect '"既存のファイルを開く'
expect 'has 1 line break(s), its translation "Open an existing file" 0'
expect '"レディ" has no finished translation'
expect "Shown.cpp:7: \"青空文庫の注記を読む\" has no message in the translation"
expect "Shown.cpp:8: \"a \"raw\" 文字\" has no message in the translation"
[ "$(grep -c "^$work/" <<<"$output")" -eq 8 ] || fail "the check found more than the eight faults"

# With the faults mended, nothing is left to say.
sed -i -e 's/>Background Colour</>\&amp;Background Colour</' \
       -e 's/&amp;View &amp;&amp; &amp;Fly/\&amp;View \&amp;\&amp; Fly/' \
       -e 's/Untitled %1/Untitled/' -e 's/>Frame %1</>Frame %1 of %2</' \
       -e 's/<translation>Open an existing file/<translation>Open an existing file\nOpen/' \
       -e 's/<translation type="unfinished"><\/translation>/<translation>Ready<\/translation>/' \
       "$work/selvane_en.ts"
sed -i -e '7d;8d' "$work/Shown.cpp"
output=$("$check" "$work/selvane_en.ts" "$work/list.txt") || fail "the check still fails: $output"
echo "the check finds every fault and passes what is right"
