#pragma once

#include <QCoreApplication>
#include <QString>

#include "session/DocumentStrings.h"

// The texts the shell shows, in Japanese, the interface's own language. A command's entry is its
// status-bar prompt, "\n", and a short name; the status bar shows the part before "\n" while the
// command's menu item is highlighted. Every text a person reads is marked for the translation
// tools in the context "Selvane" and shown through Tr(); names that read the same in every
// language (the program's, the encodings', the lock keys', the About box's lines) are not.
// Menu texts carry no shortcut: Qt writes the keys of the action beside them.

namespace strings {

// The translation of a text of this file, or of one marked with SELVANE_TRANSLATE_NOOP, in the
// interface's language; the text itself where no translation is installed.
inline QString Tr(const char* text) {
    return QCoreApplication::translate("Selvane", text);
}

inline constexpr char kAppName[] = "Selvane";
inline constexpr char kReady[] = QT_TRANSLATE_NOOP("Selvane", "レディ");
inline constexpr char kDocumentCreateFailed[] =
    QT_TRANSLATE_NOOP("Selvane", "空のドキュメントの作成に失敗しました。");
inline constexpr char kOpenDialogTitle[] = QT_TRANSLATE_NOOP("Selvane", "開く");
inline constexpr char kFilterText[] = QT_TRANSLATE_NOOP("Selvane", "テキストファイル (*.txt)");
inline constexpr char kFilterAll[] = QT_TRANSLATE_NOOP("Selvane", "すべてのファイル (*.*)");
// The platform (%1) has not let the view draw for %2 seconds; the window goes on waiting.
inline constexpr char kNoFrame[] = QT_TRANSLATE_NOOP(
    "Selvane", "%1 で %2 秒たっても描画できません。描画できるようになるのを待っています。");

// Menus.
inline constexpr char kMenuFile[] = QT_TRANSLATE_NOOP("Selvane", "ファイル(&F)");
inline constexpr char kMenuOpen[] = QT_TRANSLATE_NOOP("Selvane", "開く(&O)...");
inline constexpr char kMenuRecent[] = QT_TRANSLATE_NOOP("Selvane", "最近使ったファイル");
inline constexpr char kMenuReopenEncoding[] =
    QT_TRANSLATE_NOOP("Selvane", "文字コードを指定して開き直す");
// The submenu, in the order of command::kReopenAuto and the five after it.
inline constexpr const char* kMenuEncodings[] = {
    QT_TRANSLATE_NOOP("Selvane", "自動判別"),
    "Shift_JIS (CP932)",
    "UTF-8",
    "UTF-16",
    "EUC-JP",
    "ISO-2022-JP",
};
inline constexpr char kMenuExit[] = QT_TRANSLATE_NOOP("Selvane", "アプリケーションの終了(&X)");
inline constexpr char kMenuSettings[] = QT_TRANSLATE_NOOP("Selvane", "設定(&S)");
inline constexpr char kMenuBackground[] = QT_TRANSLATE_NOOP("Selvane", "背景色(&B)");
inline constexpr char kMenuFontColor[] = QT_TRANSLATE_NOOP("Selvane", "フォント色(&F)");
inline constexpr char kMenuHelp[] = QT_TRANSLATE_NOOP("Selvane", "ヘルプ(&H)");
inline constexpr char kMenuContents[] = QT_TRANSLATE_NOOP("Selvane", "目次(&H)");
inline constexpr char kMenuAbout[] =
    QT_TRANSLATE_NOOP("Selvane", "バージョン情報 Tamor Selvane(&A)...");

// Command strings: prompt "\n" short name.
inline constexpr char kCmdHelpContents[] =
    QT_TRANSLATE_NOOP("Selvane", "ヘルプファイル\nヘルプファイル");
inline constexpr char kCmdBackground[] = QT_TRANSLATE_NOOP("Selvane", "背景色\n背景色");
inline constexpr char kCmdFontColor[] =
    QT_TRANSLATE_NOOP("Selvane", "フォントカラー\nフォントカラー");
inline constexpr char kCmdOpen[] = QT_TRANSLATE_NOOP("Selvane", "既存のファイルを開く\n開く");
inline constexpr char kCmdRecentFile[] = QT_TRANSLATE_NOOP("Selvane", "指定のファイルを開く");
inline constexpr char kCmdReopenEncoding[] =
    QT_TRANSLATE_NOOP("Selvane", "開いているファイルを指定の文字コードで読み直す\n開き直す");
inline constexpr char kCmdAbout[] = QT_TRANSLATE_NOOP(
    "Selvane", "プログラム情報、バージョン、著作権を表示します。\nバージョン情報");
inline constexpr char kCmdExit[] =
    QT_TRANSLATE_NOOP("Selvane", "アプリケーションを終了し、ファイルの保存を指示\n終了");

// The view menu: flight, full screen and resume.
inline constexpr char kMenuView[] = QT_TRANSLATE_NOOP("Selvane", "表示(&V)");
inline constexpr char kMenuCruise[] = QT_TRANSLATE_NOOP("Selvane", "自動飛行(&A)");
inline constexpr char kMenuFaster[] = QT_TRANSLATE_NOOP("Selvane", "速く(&F)");
inline constexpr char kMenuSlower[] = QT_TRANSLATE_NOOP("Selvane", "遅く(&S)");
inline constexpr char kMenuHome[] = QT_TRANSLATE_NOOP("Selvane", "先頭へ(&H)");
inline constexpr char kMenuFullScreen[] = QT_TRANSLATE_NOOP("Selvane", "全画面表示(&U)");
inline constexpr char kMenuResume[] = QT_TRANSLATE_NOOP("Selvane", "続きから読む(&R)");
inline constexpr char kCmdCruise[] =
    QT_TRANSLATE_NOOP("Selvane", "ホイールに触れずに、一定の速さで読み進めます\n自動飛行");
inline constexpr char kCmdFaster[] =
    QT_TRANSLATE_NOOP("Selvane", "自動飛行の速さを毎秒 0.5 字上げます\n速く");
inline constexpr char kCmdSlower[] =
    QT_TRANSLATE_NOOP("Selvane", "自動飛行の速さを毎秒 0.5 字下げます\n遅く");
inline constexpr char kCmdHome[] =
    QT_TRANSLATE_NOOP("Selvane", "文章の最初の文字へ戻ります\n先頭へ");
inline constexpr char kCmdFullScreen[] =
    QT_TRANSLATE_NOOP("Selvane", "画面全体に表示します。Esc キーで元に戻ります\n全画面表示");
inline constexpr char kCmdResume[] = QT_TRANSLATE_NOOP(
    "Selvane", "最近使ったファイルを、前に読むのをやめた文字から開きます\n続きから読む");
// The cruise pane of the status bar; %1 is the speed in characters per second.
inline constexpr char kCruisePane[] = QT_TRANSLATE_NOOP("Selvane", "自動 %1 字/秒");

// Writing the flight to a video file.
inline constexpr char kMenuExportVideo[] = QT_TRANSLATE_NOOP("Selvane", "動画として書き出し...");
inline constexpr char kCmdExportVideo[] =
    QT_TRANSLATE_NOOP("Selvane", "見ている飛行を動画ファイルに書き出します\n動画として書き出し");
inline constexpr char kExportTitle[] = QT_TRANSLATE_NOOP("Selvane", "動画として書き出し");
inline constexpr char kExportFile[] = QT_TRANSLATE_NOOP("Selvane", "ファイル名(&N):");
inline constexpr char kExportBrowse[] = QT_TRANSLATE_NOOP("Selvane", "参照(&B)...");
inline constexpr char kExportSize[] = QT_TRANSLATE_NOOP("Selvane", "大きさ(&S):");
inline constexpr char kExportWindowSize[] =
    QT_TRANSLATE_NOOP("Selvane", "ウィンドウと同じ (%1 x %2)");
inline constexpr char kExportSeconds[] = QT_TRANSLATE_NOOP("Selvane", "長さ(&L):");
inline constexpr char kExportSecondsSuffix[] = QT_TRANSLATE_NOOP("Selvane", " 秒");
inline constexpr char kExportFps[] = QT_TRANSLATE_NOOP("Selvane", "フレームレート(&R):");
inline constexpr char kExportFpsSuffix[] = " fps";
inline constexpr char kExportCruise[] = QT_TRANSLATE_NOOP("Selvane", "巡航速度(&C):");
inline constexpr char kExportCruiseSuffix[] = QT_TRANSLATE_NOOP("Selvane", " 文字/秒");
inline constexpr char kExportDrums[] = QT_TRANSLATE_NOOP("Selvane", "太鼓の音を入れる");
inline constexpr char kExportFilters[] = QT_TRANSLATE_NOOP(
    "Selvane",
    "MP4 動画 (*.mp4);;Matroska 動画 (*.mkv);;WebM 動画 (*.webm);;GIF アニメーション (*.gif)");
inline constexpr char kExportBadName[] = QT_TRANSLATE_NOOP(
    "Selvane", "動画のファイル名は .mp4、.mkv、.webm、.gif のいずれかで終わる必要があります。");
inline constexpr char kExportReplace[] =
    QT_TRANSLATE_NOOP("Selvane", "%1 は既に存在します。\n置き換えますか?");
inline constexpr char kExportProgress[] = QT_TRANSLATE_NOOP("Selvane", "動画を書き出しています...");
inline constexpr char kExportFrames[] = QT_TRANSLATE_NOOP("Selvane", "%1 / %2 フレーム");
inline constexpr char kExportSpeed[] =
    QT_TRANSLATE_NOOP("Selvane", "　実時間の %1 倍の速さ　残り %2 秒");
inline constexpr char kExportCancel[] = QT_TRANSLATE_NOOP("Selvane", "キャンセル");
inline constexpr char kExportFailed[] =
    QT_TRANSLATE_NOOP("Selvane", "動画を書き出せませんでした。");
inline constexpr char kExportDone[] = QT_TRANSLATE_NOOP("Selvane", "動画を書き出しました: %1");
inline constexpr char kExportBusy[] =
    QT_TRANSLATE_NOOP("Selvane", "動画の書き出しが終わるまでお待ちください。");

inline constexpr char kIndicatorCaps[] = "CAP";
inline constexpr char kIndicatorNum[] = "NUM";
inline constexpr char kIndicatorScroll[] = "SCRL";

// About box.
inline constexpr char kAboutCaption[] = QT_TRANSLATE_NOOP("Selvane", "バージョン情報 Selvane");
inline constexpr char kAboutVersion[] = "Tamor Selvane, Version 0.4";
inline constexpr char kAboutRights[] = "Copyright (C) 2026 The Selvane developers";
inline constexpr char kAboutWeb[] = "https://selvane.example.org/";
inline constexpr char kAboutContact[] = "selvane@example.org";

}  // namespace strings

// Command identifiers, kept as the identifiers of the actions that carry them.
namespace command {
inline constexpr int kNew = 57600;
inline constexpr int kOpen = 57601;
inline constexpr int kSave = 57603;
inline constexpr int kRecentFirst = 57616;
inline constexpr int kCopy = 57634;
inline constexpr int kCut = 57635;
inline constexpr int kPaste = 57637;
inline constexpr int kUndo = 57643;
inline constexpr int kAbout = 57664;
inline constexpr int kExit = 57665;
inline constexpr int kNextPane = 57680;
inline constexpr int kPrevPane = 57681;
inline constexpr int kHelpContents = 32772;
inline constexpr int kBackgroundColor = 32775;
inline constexpr int kFontColor = 32777;
inline constexpr int kExportVideo = 32780;
// Reopen in an encoding: automatic, then the five of the submenu.
inline constexpr int kReopenAuto = 32790;
inline constexpr int kReopenCount = 6;
// The view menu, and the flight keys that have no menu item.
inline constexpr int kCruise = 32800;
inline constexpr int kFaster = 32801;
inline constexpr int kSlower = 32802;
inline constexpr int kHome = 32803;
inline constexpr int kFullScreen = 32804;
inline constexpr int kResume = 32805;
inline constexpr int kNotchTowards = 32806;
inline constexpr int kNotchAway = 32807;
inline constexpr int kPageForward = 32808;
inline constexpr int kPageBack = 32809;
inline constexpr int kLeaveFullScreen = 32810;

// A shared identifier runs the wrong command from a menu, so every command, the recent-file
// block (16 identifiers, as many as the list could ever grow to) and the reopen block expanded,
// must have identifiers of its own.
constexpr bool IdentifiersAreDistinct() {
    struct Block {
        int first;
        int count;
    };
    constexpr Block blocks[] = {
        {kNew, 1},
        {kOpen, 1},
        {kSave, 1},
        {kRecentFirst, 16},
        {kCopy, 1},
        {kCut, 1},
        {kPaste, 1},
        {kUndo, 1},
        {kAbout, 1},
        {kExit, 1},
        {kNextPane, 1},
        {kPrevPane, 1},
        {kHelpContents, 1},
        {kBackgroundColor, 1},
        {kFontColor, 1},
        {kExportVideo, 1},
        {kReopenAuto, kReopenCount},
        {kCruise, 1},
        {kFaster, 1},
        {kSlower, 1},
        {kHome, 1},
        {kFullScreen, 1},
        {kResume, 1},
        {kNotchTowards, 1},
        {kNotchAway, 1},
        {kPageForward, 1},
        {kPageBack, 1},
        {kLeaveFullScreen, 1},
    };
    for (const Block& a : blocks) {
        for (const Block& b : blocks) {
            if (&a != &b && a.first < b.first + b.count && b.first < a.first + a.count) {
                return false;
            }
        }
    }
    return true;
}
static_assert(IdentifiersAreDistinct(), "two commands share an identifier");
}  // namespace command
