#include "SessionTestSupport.h"

#include "Journal.h"
#include "Recovery.h"

#include <csignal>
#include <cstdio>
#include <poll.h>

namespace kurvimat::session::test {
namespace {

// A program recording at 2 ms is killed with SIGKILL mid-sweep; the next start gets back
// every point it had fed up to one second before the kill.
TEST(CrashTest, SigkillMidSweepLosesAtMostTheLastSecond) {
    for (const int killAfterMs : {2300, 3450}) {
        SCOPED_TRACE(testing::Message() << "killed after " << killAfterMs << " ms");
        QTemporaryDir dir;
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        std::fflush(nullptr); // nothing buffered is written twice
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            ::execl(KURVIMAT_SESSION_RECORDER, KURVIMAT_SESSION_RECORDER,
                    QFile::encodeName(dir.path()).constData(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        SystemClock clock;
        std::vector<std::pair<int, qint64>> fed; // points fed, steady ms
        std::string buffer;
        const auto readLines = [&](int timeoutMs) {
            pollfd p{out[0], POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0) return false;
            char chunk[4096];
            const ssize_t n = ::read(out[0], chunk, sizeof chunk);
            if (n <= 0) return false;
            buffer.append(chunk, std::size_t(n));
            for (std::size_t end; (end = buffer.find('\n')) != std::string::npos;) {
                int count = 0;
                long long ms = 0;
                if (std::sscanf(buffer.substr(0, end).c_str(), "KURVIMAT-FED %d %lld", &count,
                                &ms) == 2)
                    fed.emplace_back(count, qint64(ms));
                buffer.erase(0, end + 1);
            }
            return true;
        };
        qint64 killedAt = 0;
        while (killedAt == 0) {
            if (!readLines(5000)) break;
            if (!fed.empty() && clock.steadyMs() - fed.front().second >= killAfterMs) {
                killedAt = clock.steadyMs();
                ::kill(child, SIGKILL);
            }
        }
        while (readLines(1000)) {
        }
        ::close(out[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_GT(killedAt, 0) << "the child stopped reporting";
        ASSERT_TRUE(WIFSIGNALED(status));

        int mustHave = 0;
        for (const auto& [count, ms] : fed)
            if (ms <= killedAt - 1000) mustHave = count;
        ASSERT_GT(mustHave, 0);
        Recovery recovery(dir.path(), clock);
        ASSERT_EQ(recovery.runCount(), 1);
        Journal next(dir.filePath("next"), clock);
        recovery.restoreInto(next);
        const PointSet& got = next.runs().runs().at(0).points;
        EXPECT_GE(got.size(), mustHave);
        EXPECT_LE(got.size(), fed.back().first);
        for (int i = 0; i < got.size(); ++i)
            if (got.point(i) != recordedPoint(i)) {
                ADD_FAILURE() << "point " << i << " differs";
                break;
            }
        next.finish();
    }
}

} // namespace
} // namespace kurvimat::session::test
