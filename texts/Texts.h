// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "texts/Version.h"

#include <array>
#include <cstdint>
#include <string>

// Every text the program shows to the operator, in UTF-8: the window's controls and menus,
// the run's status texts, message boxes and dialog captions. Texts built from a value are
// functions, so that each whole sentence stands here. New texts belong here too.
namespace tessary::texts {

// Main window: menus and their items.
inline constexpr const char* FileMenu = "ファイル(&F)";
inline constexpr const char* LoadParametersItem = "計測パラメータの読み込み(&O)";
inline constexpr const char* SaveParametersItem = "計測パラメータの保存(&S)";
inline constexpr const char* AssignProgramItem = "プログラムファイルの指定(&A)";
inline constexpr const char* ViewRecordingItem = "記録データの表示(&V)...";
inline constexpr const char* ExitItem = "終了(&Q)";
inline constexpr const char* AnalysisMenu = "データ解析(&A)";
inline constexpr const char* RunAnalysisItem = "Orvaneの実行(&E)";
inline constexpr const char* HelpMenu = "ヘルプ(&H)";
inline constexpr const char* HelpContentsItem = "目次(&C)";
inline constexpr const char* AboutItem = "バージョン情報(&V)";

// Main window: the settings pages, their labels, lists and buttons, and the run buttons.
inline constexpr const char* CardPage = "カード情報";
inline constexpr const char* ParametersPage = "計測ﾊﾟﾗﾒｰﾀ";
inline constexpr const char* ChannelsPage = "記録ﾁｬﾝﾈﾙ";
inline constexpr const char* SavePage = "保存";
inline constexpr const char* CardTypeLabel = "カードの種類：";
inline constexpr const char* IoBaseLabel = "I/Oベースアドレス：";
inline constexpr const char* IrqLabel = "IRQ番号：";
inline constexpr const char* CardStateLabel = "現在の状態：";
inline constexpr const char* NoCardInSlot = "No Card in Slot";
inline constexpr const char* WaitTimeLabel = "計測待ち時間(sec):";
inline constexpr const char* BurstCountLabel = "バースト記録回数：";
inline constexpr const char* BurstIntervalLabel = "バースト時間間隔：";
inline constexpr const char* SamplingIntervalLabel = "サンプリング間隔：";
inline constexpr const char* SampleCountLabel = "サンプリング個数：";
inline constexpr std::array<const char*, 3> BurstIntervalUnits = {"sec", "min", "hr"};
inline constexpr std::array<const char*, 3> SamplingIntervalUnits = {"sec", "msec", "usec"};
inline constexpr const char* ChannelCountLabel = "チャンネル数：";
inline constexpr const char* ConversionFormula = "変換式：Y = AX + B";
inline constexpr std::array<const char*, 5> ChannelHeadings = {"No.", "項目名", "単位", "A", "B"};
inline constexpr const char* ChannelHelpButton = "ヘルプ(&H)";
inline constexpr const char* CommentLabel = "コメント：";
inline constexpr const char* FileTypeGroup = "保存形式";
inline constexpr const char* SdfFileType = "sdf （標準時系列データファイル）";
inline constexpr const char* TsdFileType = "tsd （時系列テキストデータファイル）";
inline constexpr const char* FileNameGroup = "ファイル名";
inline constexpr const char* BrowseButton = "参照";
inline constexpr const char* StartButton = "計測開始";
inline constexpr const char* StopButton = "計測中止";

// File dialogs: filters as "description|patterns".
inline constexpr const char* SdfFileFilter = "時系列標準ファイル (*.sdf)|*.sdf";
inline constexpr const char* TsdFileFilter = "時系列テキストファイル (*.tsd)|*.tsd";
inline constexpr const char* LoadParametersFilter =
    "Parameter files (*.apm,*.sdf,*.tsd)|*.apm;*.sdf;*.tsd";
inline constexpr const char* SaveParametersFilter = "Parameter files (*.apm)|*.apm";

// Run status texts: the run's state, the card's state and the time line under them.
inline constexpr const char* NotConvertedYet = "未変換";
inline constexpr const char* WaitingToStart = "計測待ち";
inline constexpr const char* RunCompleted = "変換終了";
inline constexpr const char* RunStopped = "変換中止";
inline constexpr const char* CardStopped = "停止";
inline constexpr const char* CardConverting = "変換中";
inline constexpr const char* CardRingBufferOverflow = "リングバッファオーバーフロー";
inline constexpr const char* ReadRingBufferOverflow = "リングバッファオーバーフロー!";
inline constexpr const char* CardAbnormalEnd = "変換異常で終了";
inline constexpr const char* BurstConverted = "終了";
// The run's state after it ended on a block that could not be written, and after a run
// without a burst count reached the most bursts its header or its SDF file can hold.
inline constexpr const char* RunStoppedOnWriteError = "書込みエラーで中止";
inline constexpr const char* RunEndedAtBurstLimit = "記録回数の上限で終了";
inline constexpr const char* RunEndedAtFileLimit = "ファイルサイズの上限で終了";
// "n回目の計測": burst n is being recorded.
std::string BurstMeasuring(std::int64_t burst);
// "n回目の計測待ち": burst n is due next.
std::string BurstWaiting(std::int64_t burst);
// "変換終了[code]": the card's report that a burst ended, with its code.
std::string CardFinished(std::int64_t code);
// "開始まであと" and the time left before the first burst.
std::string StartsIn(const std::string& span);
// "残り時間：" and the time left before the next burst.
std::string TimeRemaining(const std::string& span);
// "残り変換回数：" and the scans still to come in the running burst.
std::string ScansRemaining(std::int64_t scans);

// Card configuration errors, one for each step that can fail.
inline constexpr const char* CardDetectionFailed = "A/D カード検出エラー";
inline constexpr const char* ChannelSetupFailed = "A/D変換チャンネル設定エラー";
inline constexpr const char* SamplingIntervalSetupFailed = "サンプリング周期設定エラー";
inline constexpr const char* RingBufferSetupFailed = "リングバッファ初期化エラー";
inline constexpr const char* RingBufferStartFailed = "リングバッファモード変換開始エラー";

// The card page with a sigrok device: its rows, the card chooser and what an input shows
// before the device has told its unit.
inline constexpr const char* VendorLabel = "メーカー：";
inline constexpr const char* ModelLabel = "型式：";
inline constexpr const char* ConnectionLabel = "接続：";
inline constexpr const char* CardChoiceLabel = "使用するカード：";
inline constexpr const char* RescanButton = "再検索";
inline constexpr const char* InputsLabel = "入力と単位：";
inline constexpr const char* UnitUnknown = "?";
// A card name typed on the card page that does not read.
std::string CardNameInvalid(const std::string& name);

// A sigrok device: what went wrong, naming the device. `library` is libsigrok's own last
// message, added in brackets when there is one.
inline constexpr const char* SigrokUnavailable = "sigrok ライブラリを初期化できません。";
std::string SigrokUnknownDriver(const std::string& driver);
std::string SigrokDeviceNotFound(const std::string& name);
std::string SigrokOptionRefused(const std::string& device, const std::string& option);
std::string SigrokCannotOpen(const std::string& device, const std::string& library);
std::string SigrokTooFewChannels(const std::string& device, std::int64_t inputs,
                                 std::int64_t wanted);
std::string SigrokIntervalRefused(const std::string& device, const std::string& accepted);
std::string SigrokRateRefused(const std::string& device, const std::string& rate,
                              const std::string& library);
std::string SigrokCannotStart(const std::string& device, const std::string& library);
std::string SigrokStoppedEarly(const std::string& device, std::int64_t scans, std::int64_t wanted,
                               const std::string& library);
// The sampling intervals a sigrok device accepts, in a few words.
inline constexpr const char* SoftwareIntervalsOnly = "10 msec 以上";
std::string IntervalsOfRateRange(const std::string& lowest, const std::string& highest);
std::string IntervalsOfOfferedRates(const std::string& rates);

// Message boxes.
inline constexpr const char* NoCard = "AD変換カードが入っていません。";
inline constexpr const char* OverwriteQuestion =
    "同名のファイルが存在します。\n上書きしてよろしいですか。";
inline constexpr const char* IntervalNotInteger =
    "バースト／サンプリング時間間隔は整数で設定して下さい。";
inline constexpr const char* UnknownError = "不明なエラーが発生しました。";
// "<path> に書き込めません".
std::string CannotWrite(const std::string& path);
// "<path> に書き込めません", a line break and the system's reason.
std::string CannotWrite(const std::string& path, const std::string& reason);
// "<path> が見つかりません".
std::string NotFound(const std::string& path);
// "<path> を開けません".
std::string CannotOpen(const std::string& path);
// A data file's header names more channels than the list shows; only 1 to `shown` were read.
std::string DataFileChannelsCut(std::int64_t channels, std::int64_t shown);
// A data file's header names a channel count below 1; count and table were left alone.
std::string DataFileChannelsUnusable(std::int64_t channels);
// A parameter file names more channels than the list shows; only 1 to `shown` were read.
std::string ParameterFileChannelsCut(std::int64_t channels, std::int64_t shown);
// A parameter file's channel entry (count − 1) is below 0; the count was left alone.
std::string ParameterFileChannelsUnusable(std::int64_t entry);

// Recording: a block that could not be written, a header that could not be corrected, the
// ends of a run without a burst count, and the checks at Start.
std::string BlockWriteFailed(const std::string& path, std::int64_t burst,
                             const std::string& reason);
std::string HeaderNotCorrected(const std::string& path, std::int64_t bursts,
                               const std::string& reason);
std::string BurstLimitReached(std::int64_t bursts);
std::string FileLimitReached(std::int64_t bursts);
// The planned SDF recording would place blocks beyond the file's 2 GB offset limit.
std::string SdfTooLarge(std::int64_t planned, std::int64_t fitting);
// The data file's file system has less room than the planned recording; go on anyway?
std::string FreeSpaceQuestion(const std::string& path, std::int64_t needed, std::int64_t available);
// Another run records into the file right now.
std::string BeingRecorded(const std::string& path);

// A recording that was cut off (the program was killed or the power failed during its run):
// the question at start-up whether to finish it, and what finishing did.
std::string CutOffQuestion(const std::string& path, std::int64_t stated, std::int64_t complete);
std::string CutOffRepaired(const std::string& path, std::int64_t bursts);
std::string CutOffNotRepaired(const std::string& path, const std::string& reason);

// Checks of the fields at Start: the fields as the messages name them, what they take, and
// the messages.
inline constexpr const char* WaitTimeField = "計測待ち時間(sec)";
inline constexpr const char* BurstCountField = "バースト記録回数";
inline constexpr const char* BurstIntervalField = "バースト時間間隔";
inline constexpr const char* SamplingIntervalField = "サンプリング間隔";
inline constexpr const char* SampleCountField = "サンプリング個数";
inline constexpr const char* ChannelCountField = "チャンネル数";
inline constexpr const char* UntilStoppedNote = "（0 以下は中止するまで記録）";
inline constexpr const char* SingleNumber = "±3.4E38 以内の数値";
// "チャンネル k の係数 A": coefficient `which` of channel k (from 1).
std::string CoefficientField(std::int64_t channel, const std::string& which);
// "lo ～ hi の整数".
std::string IntegerRange(std::int64_t lo, std::int64_t hi);
// "most 以下の数値".
std::string NumberAtMost(std::int64_t most);
// "<field>「<text>」は使えません。<accepts>で設定して下さい。", or for an empty field
// "<field>が入力されていません。<accepts>で設定して下さい。".
std::string FieldValueRefused(const std::string& field, const std::string& text,
                              const std::string& accepts);
// "<field>の単位を選んで下さい。".
std::string FieldUnitMissing(const std::string& field);
// "サンプリング間隔 <value> <unit> はこのカードでは使えません。", a line break and
// "使える値：<accepts>".
std::string SamplingIntervalRefusedByCard(const std::string& value, const std::string& unit,
                                          const std::string& accepts);

// File-format messages of the data-file readers.
inline constexpr const char* FormatDiffers = "フォーマットが違います。";
inline constexpr const char* OldFormatQuestion = "データの形式が旧式です。更新してよろしいですか。";
inline constexpr const char* CannotConvert = "旧式のデータ形式を変換できません。";

// Upgrade of an old data layout: the progress window.
inline constexpr const char* UpgradeProgressTitle = "ただ今、データ形式の更新中．．．．";
inline constexpr const char* CancelButton = "キャンセル";

// Help viewer: its window and buttons, and the index keyword of the channel page.
inline constexpr const char* HelpTitle = "ヘルプ";
inline constexpr const char* HelpBackButton = "戻る";
inline constexpr const char* HelpForwardButton = "進む";
inline constexpr const char* HelpHomeButton = "目次";
inline constexpr const char* ChannelHelpKeyword = "AD変換データ";

// Analysis program: a program file that is missing, or that does not start.
inline constexpr const char* ProgramNotFoundQuestion =
    "アプリケーションファイルが見つかりません。指定しますか。";
// A program that a loaded parameter file named, before it first runs: "パラメータファイルで
// 指定された次のプログラムを実行します。", its full path and "よろしいですか。" on lines of their
// own.
std::string ReceivedProgramQuestion(const std::string& path);
// "<path> を起動できません", a line break and the reason.
std::string CannotStart(const std::string& path, const std::string& reason);

// Viewer of recorded data: its window, menus, buttons, panels and messages.
inline constexpr const char* ViewerFileMenu = "ファイル(&F)";
inline constexpr const char* ViewerOpenItem = "開く(&O)...";
inline constexpr const char* ViewerReloadItem = "再読み込み(&R)";
inline constexpr const char* ViewerExportCsvItem = "表示範囲をCSVに出力(&C)...";
inline constexpr const char* ViewerExportPngItem = "グラフを画像に保存(&P)...";
inline constexpr const char* ViewerCloseItem = "閉じる(&X)";
inline constexpr const char* ViewerViewMenu = "表示(&V)";
inline constexpr const char* ViewerFirstItem = "最初のバースト(&F)";
inline constexpr const char* ViewerPreviousItem = "前のバースト(&P)";
inline constexpr const char* ViewerNextItem = "次のバースト(&N)";
inline constexpr const char* ViewerLastItem = "最後のバースト(&L)";
inline constexpr const char* ViewerZoomInItem = "拡大(&I)";
inline constexpr const char* ViewerZoomOutItem = "縮小(&O)";
inline constexpr const char* ViewerWholeBurstItem = "バースト全体(&W)";
inline constexpr const char* ViewerBurstLabel = "バースト：";
inline constexpr const char* ViewerOverlayCheck = "重ね描き：";
inline constexpr const char* ViewerHeaderGroup = "ヘッダー";
inline constexpr const char* ViewerReadoutGroup = "カーソルと統計（表示範囲）";
inline constexpr std::array<const char*, 10> ViewerReadoutHeadings = {
    "項目名", "単位", "カーソル1", "カーソル2", "差", "最小", "最大", "平均", "RMS", "欠測"};
inline constexpr std::array<const char*, 5> ViewerChannelHeadings = {"No.", "項目名", "単位", "A",
                                                                     "B"};
inline constexpr const char* ViewerTimeRow = "時刻";
inline constexpr const char* ViewerClockRow = "時計";
inline constexpr const char* ViewerMissingValue = "—";
inline constexpr const char* ViewerBurstValuesLabel = "バースト値：";
inline constexpr const char* ViewerMemoLabel = "コメント：";
inline constexpr const char* ViewerFormatLabel = "形式：";
inline constexpr const char* ViewerStartLabel = "開始時刻：";
inline constexpr const char* ViewerSamplingLabel = "サンプリング間隔：";
inline constexpr const char* ViewerSampleCountLabel = "サンプリング個数：";
inline constexpr const char* ViewerBurstIntervalLabel = "バースト時間間隔：";
inline constexpr const char* ViewerBurstsLabel = "バースト数：";
inline constexpr const char* ViewerIndexing = "ファイルを読み込み中．．．．";
inline constexpr const char* ViewerNoBursts = "完了したバーストがありません。";
inline constexpr const char* ViewerCursorHint =
    "クリック：カーソル1　Shift+クリック：カーソル2　ドラッグ：範囲を拡大　ホイール：拡大／縮小";
inline constexpr const char* ViewerOpenFilter = "記録データ (*.sdf *.tsd)|*.sdf;*.tsd";
inline constexpr const char* ViewerCsvFilter = "CSVファイル (*.csv)|*.csv";
inline constexpr const char* ViewerPngFilter = "PNG画像 (*.png)|*.png";
// The viewer's title: file name, burst k of n and its planned start ("予定" since a late
// burst started later than planned).
std::string ViewerTitle(const std::string& fileName, std::int64_t burst, std::int64_t bursts,
                        const std::string& plannedStart);
// A recording still being written: the complete bursts shown, and how to see later ones.
std::string ViewerBeingRecorded(std::int64_t bursts);
// A recording whose header states `stated` bursts (0: no count) but holds `complete` whole.
std::string ViewerCutOff(std::int64_t complete, std::int64_t stated);
// "<path> を表示できません：" and the reason.
std::string ViewerCannotShow(const std::string& path, const std::string& reason);
// "<path> に出力しました".
std::string ViewerExported(const std::string& path);
// "バースト k を読み込み中".
std::string ViewerReadingBurst(std::int64_t burst);
// "n 回（完了 m 回）".
std::string ViewerBurstCount(std::int64_t stated, std::int64_t complete);
// The time axis title, "Time (unit)" as the live charts write it, "サンプル番号" without a unit.
std::string ViewerTimeTitle(const std::string& unit);

// About box; the product name is also the main window's title.
inline constexpr const char* AboutTitle = "バージョン情報";
inline constexpr const char* ProductName = "Tessary";
inline constexpr const char* ProductVersion = "Version " TESSARY_VERSION;
inline constexpr const char* ProductDescription =
    "AD conversion data aquisition system with REX-5054U/B (RATOC System Inc.)";

// Dialog captions and buttons of message boxes, by kind of box.
inline constexpr const char* InformationCaption = "情報";
inline constexpr const char* ErrorCaption = "エラー";
inline constexpr const char* ConfirmationCaption = "確認";
inline constexpr const char* WarningCaption = "警告";
inline constexpr const char* OkButton = "OK";
inline constexpr const char* YesButton = "はい(&Y)";
inline constexpr const char* NoButton = "いいえ(&N)";

} // namespace tessary::texts
