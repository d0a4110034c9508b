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

std::string CannotStart(const std::string& path, const std::string& reason) {
    return path + " を起動できません\n" + reason;
}

} // namespace tessary::texts
