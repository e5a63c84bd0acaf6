#pragma once

// The texts the shell shows. A command's entry is its status-bar prompt, "\n", and a short name;
// the status bar shows the part before "\n" while the command's menu item is highlighted.

#include "session/DocumentStrings.h"

namespace strings {

inline constexpr char kAppName[] = "Selvane";
inline constexpr char kReady[] = "レディ";
inline constexpr char kDocumentCreateFailed[] = "空のドキュメントの作成に失敗しました。";
inline constexpr char kOpenDialogTitle[] = "開く";
inline constexpr char kFilterText[] = "テキストファイル (*.txt)";
inline constexpr char kFilterAll[] = "すべてのファイル (*.*)";
// The platform (%1) has not let the view draw for %2 seconds; the window goes on waiting.
inline constexpr char kNoFrame[] =
    "%1 で %2 秒たっても描画できません。描画できるようになるのを待っています。";

// Menus.
inline constexpr char kMenuFile[] = "ファイル(&F)";
inline constexpr char kMenuOpen[] = "開く(&O)...\tCtrl+O";
inline constexpr char kMenuRecent[] = "最近使ったファイル";
inline constexpr char kMenuReopenEncoding[] = "文字コードを指定して開き直す";
// The submenu, in the order of command::kReopenAuto and the five after it.
inline constexpr const char* kMenuEncodings[] = {
    "自動判別", "Shift_JIS (CP932)", "UTF-8", "UTF-16", "EUC-JP", "ISO-2022-JP",
};
inline constexpr char kMenuExit[] = "アプリケーションの終了(&X)";
inline constexpr char kMenuSettings[] = "設定(&S)";
inline constexpr char kMenuBackground[] = "背景色(&B)";
inline constexpr char kMenuFontColor[] = "フォント色(&F)";
inline constexpr char kMenuHelp[] = "ヘルプ(&H)";
inline constexpr char kMenuContents[] = "目次(&H)";
inline constexpr char kMenuAbout[] = "バージョン情報 Tamor Selvane(&A)...";

// Command strings: prompt "\n" short name.
inline constexpr char kCmdHelpContents[] = "ヘルプファイル\nヘルプファイル";
inline constexpr char kCmdBackground[] = "背景色\n背景色";
inline constexpr char kCmdFontColor[] = "フォントカラー\nフォントカラー";
inline constexpr char kCmdOpen[] = "既存のファイルを開く\n開く";
inline constexpr char kCmdRecentFile[] = "指定のファイルを開く";
inline constexpr char kCmdReopenEncoding[] =
    "開いているファイルを指定の文字コードで読み直す\n開き直す";
inline constexpr char kCmdAbout[] =
    "プログラム情報、バージョン、著作権を表示します。\nバージョン情報";
inline constexpr char kCmdExit[] = "アプリケーションを終了し、ファイルの保存を指示\n終了";

// The view menu: flight, full screen and resume.
inline constexpr char kMenuView[] = "表示(&V)";
inline constexpr char kMenuCruise[] = "自動飛行(&A)\tSpace";
inline constexpr char kMenuFaster[] = "速く(&F)\t+";
inline constexpr char kMenuSlower[] = "遅く(&S)\t-";
inline constexpr char kMenuHome[] = "先頭へ(&H)\tHome";
inline constexpr char kMenuFullScreen[] = "全画面表示(&U)\tF11";
inline constexpr char kMenuResume[] = "続きから読む(&R)";
inline constexpr char kCmdCruise[] = "ホイールに触れずに、一定の速さで読み進めます\n自動飛行";
inline constexpr char kCmdFaster[] = "自動飛行の速さを毎秒 0.5 字上げます\n速く";
inline constexpr char kCmdSlower[] = "自動飛行の速さを毎秒 0.5 字下げます\n遅く";
inline constexpr char kCmdHome[] = "文章の最初の文字へ戻ります\n先頭へ";
inline constexpr char kCmdFullScreen[] = "画面全体に表示します。Esc キーで元に戻ります\n全画面表示";
inline constexpr char kCmdResume[] =
    "最近使ったファイルを、前に読むのをやめた文字から開きます\n続きから読む";
// The cruise pane of the status bar; %1 is the speed in characters per second.
inline constexpr char kCruisePane[] = "自動 %1 字/秒";

// Writing the flight to a video file.
inline constexpr char kMenuExportVideo[] = "動画として書き出し...";
inline constexpr char kCmdExportVideo[] =
    "見ている飛行を動画ファイルに書き出します\n動画として書き出し";
inline constexpr char kExportTitle[] = "動画として書き出し";
inline constexpr char kExportFile[] = "ファイル名(&N):";
inline constexpr char kExportBrowse[] = "参照(&B)...";
inline constexpr char kExportSize[] = "大きさ(&S):";
inline constexpr char kExportWindowSize[] = "ウィンドウと同じ (%1 x %2)";
inline constexpr char kExportSeconds[] = "長さ(&L):";
inline constexpr char kExportSecondsSuffix[] = " 秒";
inline constexpr char kExportFps[] = "フレームレート(&R):";
inline constexpr char kExportFpsSuffix[] = " fps";
inline constexpr char kExportCruise[] = "巡航速度(&C):";
inline constexpr char kExportCruiseSuffix[] = " 文字/秒";
inline constexpr char kExportFilters[] =
    "MP4 動画 (*.mp4);;Matroska 動画 (*.mkv);;WebM 動画 (*.webm)";
inline constexpr char kExportBadName[] =
    "動画のファイル名は .mp4、.mkv、.webm のいずれかで終わる必要があります。";
inline constexpr char kExportReplace[] = "%1 は既に存在します。\n置き換えますか?";
inline constexpr char kExportProgress[] = "動画を書き出しています...";
inline constexpr char kExportFrames[] = "%1 / %2 フレーム";
inline constexpr char kExportSpeed[] = "　実時間の %1 倍の速さ　残り %2 秒";
inline constexpr char kExportCancel[] = "キャンセル";
inline constexpr char kExportFailed[] = "動画を書き出せませんでした。";
inline constexpr char kExportDone[] = "動画を書き出しました: %1";
inline constexpr char kExportBusy[] = "動画の書き出しが終わるまでお待ちください。";

inline constexpr char kIndicatorCaps[] = "CAP";
inline constexpr char kIndicatorNum[] = "NUM";
inline constexpr char kIndicatorScroll[] = "SCRL";

// About box.
inline constexpr char kAboutCaption[] = "バージョン情報 Selvane";
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
