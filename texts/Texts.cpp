// SPDX-License-Identifier: GPL-3.0-or-later
#include "texts/Texts.h"

namespace tessary::texts {

std::string BurstMeasuring(std::int64_t burst) {
    return std::to_string(burst) + "回目の計測";
}

std::string BurstWaiting(std::int64_t burst) {
    return std::to_string(burst) + "回目の計測待ち";
}

std::string CardFinished(std::int64_t code) {
    return "変換終了[" + std::to_string(code) + "]";
}

std::string StartsIn(const std::string& span) {
    return "開始まであと" + span;
}

std::string TimeRemaining(const std::string& span) {
    return "残り時間：" + span;
}

std::string ScansRemaining(std::int64_t scans) {
    return "残り変換回数：" + std::to_string(scans);
}

std::string CannotWrite(const std::string& path) {
    return path + " に書き込めません";
}

std::string CannotWrite(const std::string& path, const std::string& reason) {
    return path + " に書き込めません\n" + reason;
}

namespace {

// A byte count with a comma between each group of three digits.
std::string Bytes(std::int64_t bytes) {
    const std::string digits = std::to_string(bytes < 0 ? 0 : bytes);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[i];
    }
    return grouped + " バイト";
}

} // namespace

std::string BlockWriteFailed(const std::string& path, std::int64_t burst,
                             const std::string& reason) {
    return path + " に " + std::to_string(burst) + "回目のデータを書き込めません\n" + reason +
           "\n計測を中止しました。";
}

std::string HeaderNotCorrected(const std::string& path, std::int64_t bursts,
                               const std::string& reason) {
    return path + " のヘッダを記録回数 " + std::to_string(bursts) + " 回に修正できません\n" +
           reason + "\n次回の起動時か tessary-cli repair で修正できます。";
}

std::string BurstLimitReached(std::int64_t bursts) {
    return "記録回数の上限 " + std::to_string(bursts) + " 回に達したので計測を終了しました。";
}

std::string FileLimitReached(std::int64_t bursts) {
    return "SDF ファイルの上限 2 GB に達するので " + std::to_string(bursts) +
           " 回で計測を終了しました。";
}

std::string SdfTooLarge(std::int64_t planned, std::int64_t fitting) {
    return "バースト記録回数 " + std::to_string(planned) +
           " 回は SDF ファイルの上限 2 GB (2,147,483,647 バイト) を超えます。\nこの設定では " +
           std::to_string(fitting) + " 回まで記録できます。";
}

std::string FreeSpaceQuestion(const std::string& path, std::int64_t needed,
                              std::int64_t available) {
    return path + " の保存先の空き容量が足りません。\n必要な容量：" + Bytes(needed) +
           "\n空き容量：" + Bytes(available) + "\n計測を開始してよろしいですか。";
}

std::string BeingRecorded(const std::string& path) {
    return path + " は記録中です。同じファイルに記録を開始できません。";
}

std::string CutOffQuestion(const std::string& path, std::int64_t stated, std::int64_t complete) {
    return path + " は計測の途中で中断されたデータファイルです。\nヘッダの記録回数：" +
           std::to_string(stated) + " 回、完全なデータ：" + std::to_string(complete) +
           " 回\n完全なデータの回数にファイルを修正しますか。";
}

std::string CutOffRepaired(const std::string& path, std::int64_t bursts) {
    return path + " を記録回数 " + std::to_string(bursts) + " 回に修正しました。";
}

std::string CutOffNotRepaired(const std::string& path, const std::string& reason) {
    return path + " を修正できません\n" + reason;
}

std::string NotFound(const std::string& path) {
    return path + " が見つかりません";
}

std::string CannotOpen(const std::string& path) {
    return path + " を開けません";
}

std::string DataFileChannelsCut(std::int64_t channels, std::int64_t shown) {
    return "データファイルのチャンネル数 " + std::to_string(channels) +
           " は表示できないため、チャンネル 1 ～ " + std::to_string(shown) +
           " だけを読み込みました。";
}

std::string DataFileChannelsUnusable(std::int64_t channels) {
    return "データファイルのチャンネル数 " + std::to_string(channels) +
           " は表示できないため、チャンネル数と表は変えていません。";
}

std::string ParameterFileChannelsCut(std::int64_t channels, std::int64_t shown) {
    return "このファイルのチャンネル数 " + std::to_string(channels) +
           " は表示できないため、チャンネル 1 ～ " + std::to_string(shown) +
           " だけを読み込みました。";
}

std::string ParameterFileChannelsUnusable(std::int64_t entry) {
    return "このファイルのチャンネル数の指定 (" + std::to_string(entry) +
           ") は表示できないため、チャンネル数は変えていません。";
}

std::string CoefficientField(std::int64_t channel, const std::string& which) {
    return "チャンネル " + std::to_string(channel) + " の係数 " + which;
}

std::string IntegerRange(std::int64_t lo, std::int64_t hi) {
    return std::to_string(lo) + " ～ " + std::to_string(hi) + " の整数";
}

std::string NumberAtMost(std::int64_t most) {
    return std::to_string(most) + " 以下の数値";
}

std::string FieldValueRefused(const std::string& field, const std::string& text,
                              const std::string& accepts) {
    const std::string what =
        text.empty() ? field + "が入力されていません。" : field + "「" + text + "」は使えません。";
    return what + accepts + "で設定して下さい。";
}

std::string FieldUnitMissing(const std::string& field) {
    return field + "の単位を選んで下さい。";
}

std::string SamplingIntervalRefusedByCard(const std::string& value, const std::string& unit,
                                          const std::string& accepts) {
    return "サンプリング間隔 " + value + " " + unit + " はこのカードでは使えません。\n使える値：" +
           accepts;
}

std::string ReceivedProgramQuestion(const std::string& path) {
    return "パラメータファイルで指定された次のプログラムを実行します。\n" + path +
           "\nよろしいですか。";
}

std::string CannotStart(const std::string& path, const std::string& reason) {
    return path + " を起動できません\n" + reason;
}

namespace {

std::string WithLibraryMessage(std::string text, const std::string& library) {
    return library.empty() ? text : text + "（sigrok: " + library + "）";
}

} // namespace

std::string CardNameInvalid(const std::string& name) {
    return "カードの指定「" + name +
           "」が読めません。simulated または sigrok:ドライバ[:キー=値...] で指定して下さい。";
}

std::string SigrokUnknownDriver(const std::string& driver) {
    return "sigrok にドライバ「" + driver + "」はありません。";
}

std::string SigrokDeviceNotFound(const std::string& name) {
    return name + " が見つかりません。";
}

std::string SigrokOptionRefused(const std::string& device, const std::string& option) {
    return device + " は設定 " + option + " を受け付けません。";
}

std::string SigrokCannotOpen(const std::string& device, const std::string& library) {
    return WithLibraryMessage(device + " を開けません。", library);
}

std::string SigrokTooFewChannels(const std::string& device, std::int64_t inputs,
                                 std::int64_t wanted) {
    return device + " のアナログ入力は " + std::to_string(inputs) + " チャンネルで、" +
           std::to_string(wanted) + " チャンネルは記録できません。";
}

std::string SigrokIntervalRefused(const std::string& device, const std::string& accepted) {
    return device + " はこのサンプリング間隔で計測できません（" + accepted + "）。";
}

std::string SigrokRateRefused(const std::string& device, const std::string& rate,
                              const std::string& library) {
    return WithLibraryMessage(device + " は " + rate + " でサンプリングできません。", library);
}

std::string SigrokCannotStart(const std::string& device, const std::string& library) {
    return WithLibraryMessage(device + " の計測を開始できません。", library);
}

std::string SigrokStoppedEarly(const std::string& device, std::int64_t scans, std::int64_t wanted,
                               const std::string& library) {
    return WithLibraryMessage(device + " のデータが " + std::to_string(scans) + " / " +
                                  std::to_string(wanted) + " スキャンで途切れました。",
                              library);
}

std::string IntervalsOfRateRange(const std::string& lowest, const std::string& highest) {
    return lowest + "～" + highest + " の逆数、または 1 sec 以上";
}

std::string IntervalsOfOfferedRates(const std::string& rates) {
    return rates.empty() ? std::string("装置の受け付ける周波数の逆数、または 1 sec 以上")
                         : rates + " の逆数、または 1 sec 以上";
}

std::string ViewerTitle(const std::string& fileName, std::int64_t burst, std::int64_t bursts,
                        const std::string& plannedStart) {
    return fileName + " - バースト " + std::to_string(burst) + " / " + std::to_string(bursts) +
           "（開始予定 " + plannedStart + "）";
}

std::string ViewerBeingRecorded(std::int64_t bursts) {
    return "このファイルは記録中です。完了したバースト " + std::to_string(bursts) +
           " 回を表示しています。「再読み込み」で追加分を表示します。";
}

std::string ViewerCutOff(std::int64_t complete, std::int64_t stated) {
    if (stated <= 0) {
        return "ヘッダーにバースト回数がありません。完了したバースト " + std::to_string(complete) +
               " 回を表示しています。";
    }
    return "記録が途中で終わっています。ヘッダーの " + std::to_string(stated) +
           " 回のうち、完了したバースト " + std::to_string(complete) + " 回を表示しています。";
}

std::string ViewerCannotShow(const std::string& path, const std::string& reason) {
    return path + " を表示できません：" + reason;
}

std::string ViewerExported(const std::string& path) {
    return path + " に出力しました";
}

std::string ViewerReadingBurst(std::int64_t burst) {
    return "バースト " + std::to_string(burst) + " を読み込み中";
}

std::string ViewerBurstCount(std::int64_t stated, std::int64_t complete) {
    return std::to_string(stated) + " 回（完了 " + std::to_string(complete) + " 回）";
}

std::string ViewerTimeTitle(const std::string& unit) {
    return unit.empty() ? std::string("サンプル番号") : "Time (" + unit + ")";
}

} // namespace tessary::texts
