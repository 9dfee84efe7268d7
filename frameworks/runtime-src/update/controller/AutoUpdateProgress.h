// The update's progress state: what the engine's byte counts become on
// screen (one percentage made of a download half and an unpacking half, a
// smoothed speed, the time left and one status line). Main thread.
//
// Between two resets (each gateway request makes one) the flags only go from
// false to true and the shown percentage only grows; it shows 100 only once
// both the download and the unpacking are done. 1 MB is 1048576 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct UpdateProgressState {
    float downloadFraction = 0.0f;  // done / total of the last download report
    float unzipFraction = 0.0f;     // unpacked share of the bytes, 0..1
    float shownPercent = 0.0f;      // a whole number, 0..100
    bool downloadDone = false;
    bool unzipping = false;  // the status line takes its unpacking form
    bool unzipDone = false;
    int32_t shownZip = 0;  // 1-based package being unpacked; zipCount once all are
    int32_t zipCount = 0;
    double doneMB = 0.0;
    double totalMB = 0.0;
    float speedMBps = 0.0f;
    int32_t etaSeconds = 0;
};

// Lives for the process: a retry measures from the earlier attempt's sample.
struct SpeedSampler {
    bool speedSampleTaken = false;
    int64_t lastSampleTime = 0;  // steady clock, nanoseconds
    int64_t lastSampleBytes = 0;
    float smoothedSpeed = 0.0f;  // MB/s
};

extern UpdateProgressState progressState;
extern SpeedSampler speedSampler;

// Every field of progressState back to zero / false; the sampler stays.
void resetProgressState();

// The clock of the speed sampler, in nanoseconds: the steady clock. Alone in
// ProgressClock.cpp, so that a test program can link its own in its place.
int64_t progressClockNs();

// A download report at nowNs: updates the state and the sampler (the speed
// is measured at most every 0.5 s).
void recordDownloadProgress(int64_t total, int64_t done, int64_t nowNs);
// An unpacking report; false (nothing changed) when zipCount <= 0.
bool recordUnzipProgress(int zipIndex, int zipCount, int64_t bytesDone, int64_t bytesTotal);

// The percentage the bar shows next, never below the one it shows now.
float nextShownPercent(const UpdateProgressState& state);

// The status line, at most kMaxStatusLineBytes bytes: the unpacking form
// "Đang giải nén gói n/m (p%)" or the download form made of updateText and
// the figures. An updateText too long for the line is cut at a whole UTF-8
// character so that the figures still fit.
constexpr std::size_t kMaxStatusLineBytes = 511;
std::string formatStatusLine(const UpdateProgressState& state, const std::string& updateText);
