#include "update/controller/AutoUpdateProgress.h"

#include "cocos2d.h"
#include "ui/CocosGUI.h"
#include "update/controller/AutoUpdate.h"
#include "update/controller/AutoUpdateScene.h"
#include "update/controller/AutoUpdateTestSupport.h"
#include "update/controller/UpdateTexts.h"

#include <gtest/gtest.h>

namespace {

constexpr int MB = 1048576;
constexpr int64_t GiB = int64_t(1) << 30;

int64_t& fakeNow = autoupdatetest::progressClockNow;

// One report, as the update engine sends it, at a time in milliseconds.
struct Report {
    enum Kind { Download, Unzip } kind;
    int atMs;
    int64_t a, b;          // download: total, done; unpacking: zipIndex, zipCount
    int64_t bytesDone = 0;  // unpacking only
    int64_t bytesTotal = 0;
};

Report download(int atMs, int64_t total, int64_t done) { return {Report::Download, atMs, total, done}; }
Report unzip(int atMs, int index, int count, int64_t done, int64_t total) {
    return {Report::Unzip, atMs, index, count, done, total};
}

struct Expect {
    float percent;
    std::string line;
};

class UpdateProgress : public ::testing::Test {
protected:
    void SetUp() override {
        autoupdatetest::resetController();  // no scene: the handlers only keep the state
        speedSampler = SpeedSampler();
        autoupdatetest::progressClockNow = 0;
        autoupdatetest::fakeProgressClock = true;
    }
    void TearDown() override {
        autoupdatetest::fakeProgressClock = false;
        speedSampler = SpeedSampler();
        resetProgressState();
    }

    void send(const Report& r) {
        fakeNow = static_cast<int64_t>(r.atMs) * 1000000;
        AutoUpdate* controller = AutoUpdate::getInstance();
        if (r.kind == Report::Download)
            controller->onProgress(r.a, r.b);
        else
            controller->onUnzipProgress(static_cast<int>(r.a), static_cast<int>(r.b), 0, 0, r.bytesDone, r.bytesTotal);
    }

    void play(const char* name, const std::vector<std::pair<Report, Expect>>& steps) {
        resetProgressState();
        speedSampler = SpeedSampler();
        int n = 0;
        for (const auto& step : steps) {
            send(step.first);
            EXPECT_EQ(progressState.shownPercent, step.second.percent) << name << " step " << n;
            EXPECT_EQ(formatStatusLine(progressState, au_update), step.second.line) << name << " step " << n;
            ++n;
        }
    }

    autoupdatetest::TextsSnapshot keep;
};

TEST_F(UpdateProgress, ReportSequences) {
    play("speed is measured every half second and smoothed",
         {{download(0, 80 * MB, 12 * MB), {7, "au_update 7%  12/80 MB  0.0 MB/s  ~0:00"}},
          {download(300, 80 * MB, 13 * MB), {8, "au_update 8%  13/80 MB  0.0 MB/s  ~0:00"}},
          {download(1000, 80 * MB, 14 * MB), {8, "au_update 8%  14/80 MB  2.0 MB/s  ~0:33"}},
          // 0.4 × 1 + 0.6 × 2 = 1.6 MB/s; 65 MB left.
          {download(2000, 80 * MB, 15 * MB), {9, "au_update 9%  15/80 MB  1.6 MB/s  ~0:40"}},
          // Too soon for a new sample: the speed stays, the time left follows the bytes.
          {download(2200, 80 * MB, 31 * MB), {19, "au_update 19%  31/80 MB  1.6 MB/s  ~0:30"}}});

    play("minutes and seconds left",
         {{download(0, 126 * MB, 0), {0, "au_update 0%  0/126 MB  0.0 MB/s  ~0:00"}},
          {download(1000, 126 * MB, 1 * MB), {0, "au_update 0%  1/126 MB  1.0 MB/s  ~2:05"}},
          // Nothing gained in a second: 0.6 of the old speed.
          {download(2000, 126 * MB, 1 * MB), {0, "au_update 0%  1/126 MB  0.6 MB/s  ~3:28"}}});

    play("done above total counts as total",
         {{download(0, 10 * MB, 12 * MB), {50, "au_update 50%  10/10 MB  0.0 MB/s  ~0:00"}}});

    play("the bar never goes back",
         {{download(0, 100, 60), {30, "au_update 30%  0/0 MB  0.0 MB/s  ~0:00"}},
          {download(100, 100, 40), {30, "au_update 30%  0/0 MB  0.0 MB/s  ~0:00"}},
          {unzip(200, 0, 2, 10, 100), {30, "au_update 30%  0/0 MB  0.0 MB/s  ~0:00"}}});

    play("unpacking alongside the download keeps the download form",
         {{download(0, 100, 50), {25, "au_update 25%  0/0 MB  0.0 MB/s  ~0:00"}},
          {unzip(0, 0, 3, 50, 100), {50, "au_update 50%  0/0 MB  0.0 MB/s  ~0:00"}}});

    play("99 until both halves are done",
         {{download(0, 100, 100), {50, "au_update 50%  0/0 MB  0.0 MB/s  ~0:00"}},
          {unzip(0, 0, 2, 100, 100), {99, "Đang giải nén gói 1/2 (99%)"}},
          {unzip(0, 1, 2, 100, 100), {99, "Đang giải nén gói 2/2 (99%)"}},
          {unzip(0, 2, 2, 100, 100), {100, "Đang giải nén gói 2/2 (100%)"}},
          // A download report after that keeps the unpacking form.
          {download(10, 100, 100), {100, "Đang giải nén gói 2/2 (100%)"}}});

    play("all unpacked switches the form even before the download reports done",
         {{download(0, 100, 50), {25, "au_update 25%  0/0 MB  0.0 MB/s  ~0:00"}},
          {unzip(0, 3, 3, 75, 100), {62, "Đang giải nén gói 3/3 (62%)"}}});

    play("a report without packages changes nothing",
         {{download(0, 100, 40), {20, "au_update 20%  0/0 MB  0.0 MB/s  ~0:00"}},
          {unzip(0, 0, 0, 100, 100), {20, "au_update 20%  0/0 MB  0.0 MB/s  ~0:00"}},
          {unzip(0, 1, -1, 100, 100), {20, "au_update 20%  0/0 MB  0.0 MB/s  ~0:00"}}});

    play("unpacked shares outside 0..1 are clamped",
         {{download(0, 100, 100), {50, "au_update 50%  0/0 MB  0.0 MB/s  ~0:00"}},
          {unzip(0, 0, 1, -5, 100), {50, "Đang giải nén gói 1/1 (50%)"}},
          {unzip(0, 0, 1, 500, 0), {50, "Đang giải nén gói 1/1 (50%)"}},  // no total: share 0
          {unzip(0, 0, 1, 500, 100), {99, "Đang giải nén gói 1/1 (99%)"}}});

    // Sums past what 32 bits hold: the share, the megabytes and the form stay right.
    play("3 GiB to download",
         {{download(0, 3 * GiB, 0), {0, "au_update 0%  0/3072 MB  0.0 MB/s  ~0:00"}},
          {download(1000, 3 * GiB, 1 * GiB), {16, "au_update 16%  1024/3072 MB  1024.0 MB/s  ~0:02"}},
          {unzip(1000, 0, 3, 0, 3 * GiB), {16, "au_update 16%  1024/3072 MB  1024.0 MB/s  ~0:02"}}});
    play("5 GiB to download",
         {{download(0, 5 * GiB, 1 * GiB), {10, "au_update 10%  1024/5120 MB  0.0 MB/s  ~0:00"}},
          {download(1000, 5 * GiB, 3 * GiB), {30, "au_update 30%  3072/5120 MB  2048.0 MB/s  ~0:01"}},
          {unzip(1000, 1, 3, 2 * GiB, 5 * GiB), {50, "au_update 50%  3072/5120 MB  2048.0 MB/s  ~0:01"}},
          // 0.4 × 1024 + 0.6 × 2048 MB/s.
          {download(2000, 5 * GiB, 4 * GiB), {60, "au_update 60%  4096/5120 MB  1638.4 MB/s  ~0:00"}},
          {download(2500, 5 * GiB, 5 * GiB), {70, "au_update 70%  5120/5120 MB  1802.2 MB/s  ~0:00"}},
          {unzip(2500, 2, 3, 4 * GiB, 5 * GiB), {90, "Đang giải nén gói 3/3 (90%)"}}});

    play("an empty download is done at once and moves nothing",
         {{download(0, 0, 0), {0, "au_update 0%  0/0 MB  0.0 MB/s  ~0:00"}},
          {unzip(0, 1, 1, 0, 0), {0, "Đang giải nén gói 1/1 (0%)"}}});
}

TEST_F(UpdateProgress, FlagsOnlyRiseUntilTheReset) {
    send(download(0, 100, 100));
    send(unzip(0, 1, 1, 100, 100));
    EXPECT_TRUE(progressState.downloadDone && progressState.unzipDone && progressState.unzipping);
    send(download(10, 100, 10));
    EXPECT_TRUE(progressState.downloadDone && progressState.unzipDone && progressState.unzipping);
    EXPECT_EQ(progressState.shownPercent, 100);

    resetProgressState();
    const UpdateProgressState zero;
    EXPECT_EQ(progressState.shownPercent, zero.shownPercent);
    EXPECT_FALSE(progressState.downloadDone || progressState.unzipDone || progressState.unzipping);
    EXPECT_EQ(progressState.zipCount, 0);
    EXPECT_EQ(progressState.doneMB, 0.0);
    EXPECT_TRUE(speedSampler.speedSampleTaken) << "the sampler lives for the process";
}

TEST_F(UpdateProgress, RetryMeasuresFromTheEarlierAttempt) {
    send(download(0, 131 * MB, 0));
    send(download(1000, 131 * MB, 10 * MB));  // 10 MB/s
    ASSERT_FLOAT_EQ(speedSampler.smoothedSpeed, 10.0f);

    resetProgressState();  // the retry's gateway request
    // The new run starts lower: a negative gain measures 0, then smoothing.
    send(download(2000, 131 * MB, 8 * MB));
    EXPECT_FLOAT_EQ(speedSampler.smoothedSpeed, 6.0f);
    EXPECT_EQ(speedSampler.lastSampleBytes, 8 * MB);
    EXPECT_EQ(formatStatusLine(progressState, au_update), "au_update 3%  8/131 MB  6.0 MB/s  ~0:20");
}

TEST_F(UpdateProgress, ByteCountsFarApartDoNotOverflow) {
    send(download(0, 2000000000, -2000000000));
    send(download(1000, 2000000000, 2000000000));
    // (2e9 − (−2e9)) bytes in one second, not a wrapped negative number.
    EXPECT_NEAR(speedSampler.smoothedSpeed, 4e9 / MB, 1.0);
}

TEST(StatusLine, LongUpdateTextIsCutAtAWholeCharacter) {
    UpdateProgressState state;
    state.shownPercent = 37;
    state.doneMB = 12;
    state.totalMB = 80;
    state.speedMBps = 1.5f;
    state.etaSeconds = 45;
    EXPECT_EQ(formatStatusLine(state, "au_update"), "au_update 37%  12/80 MB  1.5 MB/s  ~0:45");

    std::string longText;
    for (int i = 0; i < 300; ++i) longText += "ả";  // three bytes each
    const std::string line = formatStatusLine(state, longText);
    const std::string figures = " 37%  12/80 MB  1.5 MB/s  ~0:45";
    EXPECT_LE(line.size(), kMaxStatusLineBytes);
    EXPECT_GT(line.size(), kMaxStatusLineBytes - 3);
    ASSERT_GT(line.size(), figures.size());
    EXPECT_EQ(line.substr(line.size() - figures.size()), figures);
    const std::string text = line.substr(0, line.size() - figures.size());
    EXPECT_EQ(text.size() % 3, 0u);
    EXPECT_EQ(text, longText.substr(0, text.size()));
}

// The handlers draw what they compute on the update scene.
TEST(ProgressOnScene, LabelBarAndHiddenLayoutWidgetsFollowTheReports) {
    autoupdatetest::TextsSnapshot keep;
    autoupdatetest::resetController();
    autoupdatetest::testView(750, 1334);
    autoupdatetest::GameFolder game;
    game.write("autoupdate/autoupdate.json", autoupdatetest::layoutJson());
    AutoUpdate* controller = AutoUpdate::getInstance();
    controller->buildScene();
    ASSERT_TRUE(controller->barProcess && controller->lblMsg && updateScene.barFill && updateScene.statusLabel);

    controller->onProgress(100, 50);
    EXPECT_EQ(updateScene.statusLabel->getString(), "au_update 25%  0/0 MB  0.0 MB/s  ~0:00");
    EXPECT_EQ(controller->lblMsg->getString(), updateScene.statusLabel->getString());
    EXPECT_EQ(controller->barProcess->getPercent(), 25);
    EXPECT_FLOAT_EQ(updateScene.barFill->getContentSize().width, 540 * 0.25f);
    EXPECT_FALSE(controller->barProcess->isVisible());
    EXPECT_FALSE(controller->lblMsg->isVisible());

    controller->onUnzipProgress(0, 0, 0, 0, 0, 0);  // ignored: no line either
    EXPECT_EQ(updateScene.statusLabel->getString(), "au_update 25%  0/0 MB  0.0 MB/s  ~0:00");
    autoupdatetest::resetController();
}

}  // namespace
