// The progress display: the two report handlers, the percentage rule, the
// speed sampler and the status line.
#include "update/controller/AutoUpdateProgress.h"

#include "cocos2d.h"
#include "ui/CocosGUI.h"
#include "update/controller/AutoUpdate.h"
#include "update/controller/AutoUpdateScene.h"
#include "update/controller/UpdateTexts.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

UpdateProgressState progressState;
SpeedSampler speedSampler;

namespace {

constexpr double kBytesPerMB = 1048576.0;
// The speed is measured over at least this long, so that bursts of reports
// do not make it jump.
constexpr float kSpeedSampleSec = 0.5f;
// The share of a new measurement in the smoothed speed.
constexpr float kSpeedWeight = 0.4f;
// Below this speed (MB/s) no time left is estimated.
constexpr float kMinSpeedForEta = 0.01f;

bool isUtf8Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// text cut to at most maxBytes, never inside a character.
std::string cutAtCharacter(const std::string& text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t end = maxBytes;
    while (end > 0 && isUtf8Continuation(static_cast<unsigned char>(text[end]))) --end;
    return text.substr(0, end);
}

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* pattern, ...) {
    va_list args;
    va_start(args, pattern);
    va_list again;
    va_copy(again, args);
    const int needed = std::vsnprintf(nullptr, 0, pattern, args);
    va_end(args);
    std::string out;
    if (needed > 0) {
        out.resize(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(&out[0], out.size(), pattern, again);
        out.resize(static_cast<std::size_t>(needed));
    }
    va_end(again);
    return out;
}

}  // namespace

void resetProgressState() { progressState = UpdateProgressState(); }

void recordDownloadProgress(int64_t total, int64_t done, int64_t nowNs) {
    UpdateProgressState& s = progressState;
    SpeedSampler& sampler = speedSampler;
    const int64_t d = std::min(total, done);

    if (!sampler.speedSampleTaken) {
        sampler.lastSampleTime = nowNs;
        sampler.lastSampleBytes = d;
        sampler.speedSampleTaken = true;
    }
    const float elapsed = static_cast<float>(nowNs - sampler.lastSampleTime) / 1e9f;
    if (elapsed >= kSpeedSampleSec) {
        const int64_t gained = d - sampler.lastSampleBytes;
        float inst = std::max(0.0f, static_cast<float>(gained) / static_cast<float>(kBytesPerMB) / elapsed);
        if (sampler.smoothedSpeed > 0) inst = kSpeedWeight * inst + (1.0f - kSpeedWeight) * sampler.smoothedSpeed;
        sampler.smoothedSpeed = inst;
        sampler.lastSampleTime = nowNs;
        sampler.lastSampleBytes = d;
    }

    s.etaSeconds = 0;
    if (sampler.smoothedSpeed > kMinSpeedForEta) {
        const double left = static_cast<double>(total - d) / kBytesPerMB / sampler.smoothedSpeed;
        // Terabytes at a crawl would not fit the seconds.
        s.etaSeconds = static_cast<int32_t>(std::min(left, static_cast<double>(INT32_MAX)));
    }
    if (d >= total) s.downloadDone = true;
    s.downloadFraction = total > 0 ? static_cast<float>(static_cast<double>(d) / static_cast<double>(total)) : 0.0f;
    s.doneMB = static_cast<double>(d) / kBytesPerMB;
    s.totalMB = static_cast<double>(total) / kBytesPerMB;
    s.speedMBps = sampler.smoothedSpeed;
}

bool recordUnzipProgress(int zipIndex, int zipCount, int64_t bytesDone, int64_t bytesTotal) {
    if (zipCount <= 0) return false;
    UpdateProgressState& s = progressState;
    float fraction = 0.0f;
    if (bytesTotal > 0) fraction = static_cast<float>(static_cast<double>(bytesDone) / static_cast<double>(bytesTotal));
    s.unzipFraction = std::max(0.0f, std::min(1.0f, fraction));
    if (zipIndex >= zipCount) {
        s.unzipDone = true;
        s.shownZip = zipCount;
    } else {
        s.shownZip = zipIndex + 1;
    }
    s.zipCount = zipCount;
    if (s.downloadDone || zipIndex >= zipCount) s.unzipping = true;
    return true;
}

float nextShownPercent(const UpdateProgressState& s) {
    const double a = (static_cast<double>(s.unzipFraction) * 0.5 + static_cast<double>(s.downloadFraction) * 0.5) * 100;
    float p = static_cast<float>(std::trunc(std::max(0.0, std::min(100.0, a))));
    if (p >= 100 && !(s.downloadDone && s.unzipDone)) p = 99;
    return std::max(p, s.shownPercent);
}

std::string formatStatusLine(const UpdateProgressState& s, const std::string& updateText) {
    const int percent = static_cast<int>(s.shownPercent);
    if (s.unzipping) {
        return cutAtCharacter(format("Đang giải nén gói %d/%d (%d%%)", s.shownZip, s.zipCount, percent),
                              kMaxStatusLineBytes);
    }
    const std::string figures = format(" %d%%  %.0f/%.0f MB  %.1f MB/s  ~%d:%02d", percent, s.doneMB, s.totalMB,
                                       s.speedMBps, s.etaSeconds / 60, s.etaSeconds % 60);
    if (figures.size() >= kMaxStatusLineBytes) return cutAtCharacter(figures, kMaxStatusLineBytes);
    return cutAtCharacter(updateText, kMaxStatusLineBytes - figures.size()) + figures;
}

void AutoUpdate::onProgress(int64_t totalBytes, int64_t doneBytes) {
    checkThread("AutoUpdate::onProgress");
    recordDownloadProgress(totalBytes, doneBytes, progressClockNs());
    refreshBar();
    refreshStatusText();
}

void AutoUpdate::onUnzipProgress(int zipIndex, int zipCount, int, int, int64_t bytesDone, int64_t bytesTotal) {
    checkThread("AutoUpdate::onUnzipProgress");
    if (!recordUnzipProgress(zipIndex, zipCount, bytesDone, bytesTotal)) return;
    refreshBar();
    refreshStatusText();
}

void AutoUpdate::refreshBar() {
    progressState.shownPercent = nextShownPercent(progressState);
    if (barProcess) barProcess->setPercent(progressState.shownPercent);
    setPillPercent(progressState.shownPercent);
}

void AutoUpdate::refreshStatusText() {
    const std::string line = formatStatusLine(progressState, au_update);
    if (lblMsg) lblMsg->setString(line);
    if (updateScene.statusLabel) updateScene.statusLabel->setString(line);
}
