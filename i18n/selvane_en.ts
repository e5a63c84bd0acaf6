<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>Selvane</name>
    <message>
        <source>Failed to init XAudio2 engine</source>
        <translation>The sound could not be started: the drums stay silent.</translation>
    </message>
    <message>
        <source>Failed creating mastering voice</source>
        <translation>The sound output could not be opened: the drums stay silent.</translation>
    </message>
    <message>
        <source>ファイルが大きすぎるため開けません。</source>
        <translation>The file is too large to open.</translation>
    </message>
    <message>
        <source>メモリが不足しているため開けません。</source>
        <translation>There is not enough memory to open the file.</translation>
    </message>
    <message>
        <source>ファイルの読み込み中にエラーが発生しました。</source>
        <translation>An error occurred while the file was being read.</translation>
    </message>
    <message>
        <source>無題</source>
        <translation>Untitled</translation>
    </message>
    <message>
        <source>標準入力</source>
        <translation>Standard Input</translation>
    </message>
    <message>
        <source>レディ</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>空のドキュメントの作成に失敗しました。</source>
        <translation>Failed to create an empty document.</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>テキストファイル (*.txt)</source>
        <translation>Text Files (*.txt)</translation>
    </message>
    <message>
        <source>すべてのファイル (*.*)</source>
        <translation>All Files (*.*)</translation>
    </message>
    <message>
        <source>メモリが不足しています。</source>
        <translation>Out of memory.</translation>
    </message>
    <message>
        <source>%1 で %2 秒たっても描画できません。描画できるようになるのを待っています。</source>
        <translation>%1 has not let the window draw for %2 seconds. Waiting until it can.</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>開く(&amp;O)...</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>最近使ったファイル</source>
        <translation>Recent Files</translation>
    </message>
    <message>
        <source>文字コードを指定して開き直す</source>
        <translation>Reopen with Encoding</translation>
    </message>
    <message>
        <source>自動判別</source>
        <translation>Detect Automatically</translation>
    </message>
    <message>
        <source>アプリケーションの終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>設定(&amp;S)</source>
        <translation>&amp;Settings</translation>
    </message>
    <message>
        <source>背景色(&amp;B)</source>
        <translation>&amp;Background Colour</translation>
    </message>
    <message>
        <source>フォント色(&amp;F)</source>
        <translation>&amp;Font Colour</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>目次(&amp;H)</source>
        <translation>&amp;Contents</translation>
    </message>
    <message>
        <source>バージョン情報 Tamor Selvane(&amp;A)...</source>
        <translation>&amp;About Tamor Selvane</translation>
    </message>
    <message>
        <source>ヘルプファイル
ヘルプファイル</source>
        <translation>Open the help page
Help</translation>
    </message>
    <message>
        <source>背景色
背景色</source>
        <translation>Choose the background colour
Background Colour</translation>
    </message>
    <message>
        <source>フォントカラー
フォントカラー</source>
        <translation>Choose the colour of the text
Font Colour</translation>
    </message>
    <message>
        <source>既存のファイルを開く
開く</source>
        <translation>Open an existing file
Open</translation>
    </message>
    <message>
        <source>指定のファイルを開く</source>
        <translation>Open this file</translation>
    </message>
    <message>
        <source>開いているファイルを指定の文字コードで読み直す
開き直す</source>
        <translation>Read the open file again in the chosen encoding
Reopen</translation>
    </message>
    <message>
        <source>プログラム情報、バージョン、著作権を表示します。
バージョン情報</source>
        <translation>Display program information, version number and copyright
About</translation>
    </message>
    <message>
        <source>アプリケーションを終了し、ファイルの保存を指示
終了</source>
        <translation>Quit the application
Exit</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>自動飛行(&amp;A)</source>
        <translation>&amp;Cruise</translation>
    </message>
    <message>
        <source>速く(&amp;F)</source>
        <translation>&amp;Faster</translation>
    </message>
    <message>
        <source>遅く(&amp;S)</source>
        <translation>&amp;Slower</translation>
    </message>
    <message>
        <source>先頭へ(&amp;H)</source>
        <translation>&amp;Back to Start</translation>
    </message>
    <message>
        <source>全画面表示(&amp;U)</source>
        <translation>F&amp;ull Screen</translation>
    </message>
    <message>
        <source>続きから読む(&amp;R)</source>
        <translation>&amp;Resume Where I Stopped</translation>
    </message>
    <message>
        <source>ホイールに触れずに、一定の速さで読み進めます
自動飛行</source>
        <translation>Read on at a steady speed without touching the wheel
Cruise</translation>
    </message>
    <message>
        <source>自動飛行の速さを毎秒 0.5 字上げます
速く</source>
        <translation>Raise the cruise speed by 0.5 characters a second
Faster</translation>
    </message>
    <message>
        <source>自動飛行の速さを毎秒 0.5 字下げます
遅く</source>
        <translation>Lower the cruise speed by 0.5 characters a second
Slower</translation>
    </message>
    <message>
        <source>文章の最初の文字へ戻ります
先頭へ</source>
        <translation>Go back to the first character of the text
Back to Start</translation>
    </message>
    <message>
        <source>画面全体に表示します。Esc キーで元に戻ります
全画面表示</source>
        <translation>Fill the whole screen; Esc returns to the window
Full Screen</translation>
    </message>
    <message>
        <source>最近使ったファイルを、前に読むのをやめた文字から開きます
続きから読む</source>
        <translation>Open recent files at the character where you stopped reading
Resume Where I Stopped</translation>
    </message>
    <message>
        <source>自動 %1 字/秒</source>
        <translation>Cruise %1 chars/s</translation>
    </message>
    <message>
        <source>動画として書き出し...</source>
        <translation>Export as Video...</translation>
    </message>
    <message>
        <source>見ている飛行を動画ファイルに書き出します
動画として書き出し</source>
        <translation>Write the flight you are watching to a video file
Export as Video</translation>
    </message>
    <message>
        <source>動画として書き出し</source>
        <translation>Export as Video</translation>
    </message>
    <message>
        <source>ファイル名(&amp;N):</source>
        <translation>File &amp;name:</translation>
    </message>
    <message>
        <source>参照(&amp;B)...</source>
        <translation>&amp;Browse...</translation>
    </message>
    <message>
        <source>大きさ(&amp;S):</source>
        <translation>&amp;Size:</translation>
    </message>
    <message>
        <source>ウィンドウと同じ (%1 x %2)</source>
        <translation>Same as the window (%1 x %2)</translation>
    </message>
    <message>
        <source>長さ(&amp;L):</source>
        <translation>&amp;Length:</translation>
    </message>
    <message>
        <source> 秒</source>
        <translation> s</translation>
    </message>
    <message>
        <source>フレームレート(&amp;R):</source>
        <translation>Frame &amp;rate:</translation>
    </message>
    <message>
        <source>巡航速度(&amp;C):</source>
        <translation>&amp;Cruise speed:</translation>
    </message>
    <message>
        <source> 文字/秒</source>
        <translation> chars/s</translation>
    </message>
    <message>
        <source>%1 は既に存在します。
置き換えますか?</source>
        <translation>%1 already exists.
Do you want to replace it?</translation>
    </message>
    <message>
        <source>動画を書き出しています...</source>
        <translation>Writing the video...</translation>
    </message>
    <message>
        <source>%1 / %2 フレーム</source>
        <translation>Frame %1 of %2</translation>
    </message>
    <message>
        <source>&#x3000;実時間の %1 倍の速さ&#x3000;残り %2 秒</source>
        <translation>, %1 times real time, %2 s left</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>動画を書き出せませんでした。</source>
        <translation>The video could not be written.</translation>
    </message>
    <message>
        <source>動画を書き出しました: %1</source>
        <translation>Video written to %1</translation>
    </message>
    <message>
        <source>動画の書き出しが終わるまでお待ちください。</source>
        <translation>Please wait until the video has been written.</translation>
    </message>
    <message>
        <source>バージョン情報 Selvane</source>
        <translation>About Selvane</translation>
    </message>
    <message>
        <source>zip ファイルの中にテキストファイル (.txt) がありません。</source>
        <translation>The zip archive holds no text file (.txt).</translation>
    </message>
    <message>
        <source>暗号化された zip ファイルは開けません。</source>
        <translation>An encrypted zip archive cannot be opened.</translation>
    </message>
    <message>
        <source>zip ファイルが壊れているため開けません。</source>
        <translation>The zip archive is damaged and cannot be opened.</translation>
    </message>
    <message>
        <source>太鼓の音を入れる</source>
        <translation>Include the drums</translation>
    </message>
    <message>
        <source>MP4 動画 (*.mp4);;Matroska 動画 (*.mkv);;WebM 動画 (*.webm);;GIF アニメーション (*.gif)</source>
        <translation>MP4 Video (*.mp4);;Matroska Video (*.mkv);;WebM Video (*.webm);;GIF Animation (*.gif)</translation>
    </message>
    <message>
        <source>動画のファイル名は .mp4、.mkv、.webm、.gif のいずれかで終わる必要があります。</source>
        <translation>The name of a video file must end in .mp4, .mkv, .webm or .gif.</translation>
    </message>
</context>
</TS>
