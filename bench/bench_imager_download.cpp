// Downloading 512 x 384 Bayer frames from the imager simulator over loopback: the comm layer's
// downloads against a plain UDP request/reply loop asking the same simulator for the same
// datagrams (the link's own limit on this machine). Counters: frames per second and processor
// time of this process per frame.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>

#include "bench_support.h"
#include "imagers/hg/ro_tcpip.h"

namespace {

constexpr char kImagerAddress[] = "127.0.0.31";
constexpr int kRecordedFrames = 1000;

// The simulator, started once for every benchmark of the run.
class Simulator {
public:
    static Simulator& Get()
    {
        static Simulator simulator;
        return simulator;
    }
    bool Ready() const { return ready_; }
    ~Simulator()
    {
        process_.kill();
        process_.waitForFinished(2000);
    }

private:
    Simulator()
    {
        const QString port = QString::number(40000 + getpid() % 20000);
        qputenv("FRAMEWRIGHT_IMAGER_PORT", port.toLatin1());
        process_.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/fw-imager-sim"));
        process_.setArguments({ QStringLiteral("--udp"), QStringLiteral("%1:4:1").arg(kImagerAddress),
            QStringLiteral("--frames"), QString::number(kRecordedFrames) });
        process_.start();
        while (process_.waitForReadyRead(5000)) {
            if (process_.readAll().contains("ready")) {
                ready_ = true;
                break;
            }
        }
    }
    QProcess process_;
    bool ready_ = false;
};

void ReportRates(benchmark::State& state, double cpu_start_s, int64_t frames)
{
    state.counters["frames_per_s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
    state.counters["cpu_ms_per_frame"]
        = (fw::bench::CpuSeconds(RUSAGE_SELF) - cpu_start_s) * 1000.0 / double(frames);
}

void CommLayerDownload(benchmark::State& state)
{
    if (!Simulator::Get().Ready()) {
        state.SkipWithError("the imager simulator did not start");
        return;
    }
    fw::TROTCPIP link(1, QString::fromLatin1(kImagerAddress), QStringLiteral("127.255.255.255"));
    if (!link.Identify(false)) {
        state.SkipWithError("the simulator did not answer the attach");
        return;
    }
    std::vector<uint8_t> frame(size_t(link.FrameBytes(false)));
    const double cpu_start_s = fw::bench::CpuSeconds(RUSAGE_SELF);
    int64_t frames = 0;
    for (auto _ : state) {
        link.DownloadFrame(frame.data(), int64_t(frame.size()), false, int32_t(frames % kRecordedFrames));
        if (!link.WaitDownload()) {
            state.SkipWithError("a download failed");
            break;
        }
        ++frames;
    }
    ReportRates(state, cpu_start_s, frames);
    link.Detach();
}

// One request, one datagram, as the link's own limit.
class PlainLoop {
public:
    PlainLoop()
    {
        socket_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        imager_.sin_family = AF_INET;
        imager_.sin_port = htons(fw::ImagerUdpPort());
        inet_pton(AF_INET, kImagerAddress, &imager_.sin_addr);
    }
    ~PlainLoop() { ::close(socket_); }
    PlainLoop(const PlainLoop&) = delete;
    PlainLoop& operator=(const PlainLoop&) = delete;

    // The bytes of the answer, or -1 when none came within a second.
    ssize_t Ask(const std::string& request, std::vector<uint8_t>& into)
    {
        ::sendto(socket_, request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&imager_),
            sizeof imager_);
        pollfd waiting { socket_, POLLIN, 0 };
        if (::poll(&waiting, 1, 1000) <= 0)
            return -1;
        return ::recv(socket_, into.data(), into.size(), 0);
    }

private:
    int socket_ = -1;
    sockaddr_in imager_ {};
};

void PlainUdpLoop(benchmark::State& state)
{
    if (!Simulator::Get().Ready()) {
        state.SkipWithError("the imager simulator did not start");
        return;
    }
    PlainLoop loop;
    std::vector<uint8_t> datagram(65536);
    const int64_t frame_bytes = fw::HGFrameBytes(false, false);
    if (loop.Ask("#010102\r", datagram) < 0 || loop.Ask("#0153C000\r", datagram) < 0) {
        state.SkipWithError("the simulator did not answer");
        return;
    }
    const double cpu_start_s = fw::bench::CpuSeconds(RUSAGE_SELF);
    int64_t frames = 0;
    for (auto _ : state) {
        int64_t received = 0;
        std::string request = "#01DLF " + std::to_string(frames % kRecordedFrames) + " U B\r";
        while (received < frame_bytes) {
            const ssize_t got = loop.Ask(request, datagram);
            if (got <= 0) {
                state.SkipWithError("a datagram did not come");
                return;
            }
            received += got;
            request = "#01DLF U\r";
        }
        ++frames;
    }
    ReportRates(state, cpu_start_s, frames);
}

} // namespace

BENCHMARK(CommLayerDownload)->Iterations(kRecordedFrames)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(PlainUdpLoop)->Iterations(kRecordedFrames)->Unit(benchmark::kMicrosecond)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
