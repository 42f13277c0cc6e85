// Instructions per received byte of the clone driver's receive path (the stream cutter and the
// answer checks and stores behind it), counted by callgrind: a whole clone read — the echo of
// the request, every data block of the 32112-byte image and the end frame — handed to the
// driver in port reads of one size. Run without arguments it runs itself under valgrind for
// three read sizes and three block sizes and prints the figures; the count must not grow with
// the read size or the block size.
//
//   bench_receive_cost                       the table (needs valgrind on the PATH)
//   bench_receive_cost --read=R --block=B    one run (what valgrind runs)
#include <unistd.h>
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench_figures.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_timer.h"
#include "fakes/memory_cable.h"
#include "link/clone_frame.h"
#include "link/eeprom.h"
#include "link/hex_text.h"
#include "link/serial_service.h"

namespace {

using qs::Bytes;
using namespace qs::bench;

constexpr int kImageBytes = 32112;
constexpr double kBoundPerByte = 100;
constexpr long kWholeStream = 0;  // read size 0: the whole stream in one read

Bytes AsciiHex(const Bytes& raw) {
    return qs::TextToBytes(qs::BytesToHexText(raw));
}

Bytes RadioFrame(const Bytes& body) {
    Bytes frame{0xFE, 0xFE};
    frame.insert(frame.end(), body.begin(), body.end());
    frame.push_back(0xFD);
    return frame;
}

// What the line brings during a clone read with blocks of `blockSize` data bytes.
Bytes CloneReadStream(const Bytes& request, int blockSize) {
    Bytes stream = qs::BuildCloneFrame(request);  // the cable's echo
    int blocks = 0;
    for (int address = 0; address < kImageBytes; address += blockSize) {
        const int count = std::min(blockSize, kImageBytes - address);
        Bytes raw{static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address),
                  static_cast<std::uint8_t>(count)};
        for (int i = 0; i < count; ++i)
            raw.push_back(static_cast<std::uint8_t>(address + i));
        int sum = 0;
        for (std::uint8_t b : raw)
            sum += b;
        raw.push_back(static_cast<std::uint8_t>((256 - sum % 256) % 256));
        Bytes body{0xEF, 0xEE, 0xE4};
        const Bytes hex = AsciiHex(raw);
        body.insert(body.end(), hex.begin(), hex.end());
        const Bytes frame = RadioFrame(body);
        stream.insert(stream.end(), frame.begin(), frame.end());
        ++blocks;
    }
    Bytes end{0xEF, 0xEE, 0xE5};
    const Bytes maker = qs::HexTextToBytes("5665786120496E632E");
    end.insert(end.end(), maker.begin(), maker.end());
    const Bytes count = AsciiHex(Bytes{static_cast<std::uint8_t>(blocks)});
    end.insert(end.end(), count.begin(), count.end());
    const Bytes frame = RadioFrame(end);
    stream.insert(stream.end(), frame.begin(), frame.end());
    return stream;
}

const Bytes kRequest = qs::HexTextToBytes("E230170102");

// One clone read through the driver; false when it did not end cleanly.
bool RunOnce(long readSize, int blockSize) {
    const Bytes stream = CloneReadStream(kRequest, blockSize);
    qs::FakeClock clock{1000};
    qs::MemoryCable cable;
    qs::FakeTimer timer;
    qs::frmCom com(cable, timer, clock);
    qs::clsCmcEeprom image;
    com.setComOpen(true);
    qs::clsCmcKel3Drv& driver = com.kel3D();
    driver.setWorkMode(qs::clsCmcKel3Drv::kModeCloneRead);
    driver.setMyEep(&image);
    if (driver.Send(kRequest) != 0) return false;

    const std::size_t step =
        readSize == kWholeStream ? stream.size() : static_cast<std::size_t>(readSize);
    // The reads as the port hands them over, made before counting: what the port costs to
    // produce them is not the receive path's.
    std::vector<Bytes> reads;
    for (std::size_t at = 0; at < stream.size(); at += step) {
        const std::size_t n = std::min(step, stream.size() - at);
        reads.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(at),
                           stream.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    CALLGRIND_TOGGLE_COLLECT;
    for (const Bytes& data : reads)
        driver.read(data);
    CALLGRIND_TOGGLE_COLLECT;
    return driver.lastError() == 0 && !driver.Running() && driver.lastEeAdr() == kImageBytes - 1 &&
           image.ReadByte(kImageBytes - 1) == static_cast<std::uint8_t>(kImageBytes - 1);
}

// Instructions counted by callgrind for one run; negative on failure.
double CountInstructions(const std::string& self, long readSize, int blockSize) {
    const std::string out = "/tmp/bench_receive_cost." + std::to_string(getpid()) + ".out";
    const std::string command =
        "valgrind --tool=callgrind --collect-atstart=no "
        "--callgrind-out-file=" +
        out + " " + self + " --read=" + std::to_string(readSize) +
        " --block=" + std::to_string(blockSize) + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return -1;
    std::ifstream file(out);
    std::string line;
    double total = -1;
    while (std::getline(file, line)) {
        if (line.rfind("totals:", 0) == 0 || line.rfind("summary:", 0) == 0) {
            total = std::atof(line.c_str() + line.find(':') + 1);
        }
    }
    std::remove(out.c_str());
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    const long read = OptionValue(argc, argv, "read", -1);
    const long block = OptionValue(argc, argv, "block", -1);
    if (read >= 0 && block > 0) return RunOnce(read, static_cast<int>(block)) ? 0 : 1;

    if (std::system("valgrind --version >/dev/null 2>&1") != 0) {
        std::printf("receive path cost: skipped (valgrind not found)\n");
        return 0;
    }
    const std::string self = argv[0];
    std::printf("receive path, instructions per received byte (callgrind), whole clone read\n");
    for (const int blockSize : {1, 16, 122}) {
        const double bytes = static_cast<double>(CloneReadStream(kRequest, blockSize).size());
        for (const long readSize : {1L, 64L, kWholeStream}) {
            const double count = CountInstructions(self, readSize, blockSize);
            const std::string name =
                "  block " + std::to_string(blockSize) + " B, read " +
                (readSize == kWholeStream
                     ? std::string("whole (") + std::to_string(static_cast<long>(bytes)) + " B)"
                     : std::to_string(readSize) + " B");
            if (count < 0) {
                std::printf("%s: run failed\n", name.c_str());
                return 1;
            }
            PrintFigure(name, count / bytes, kBoundPerByte, "instr/B");
        }
    }
    return 0;
}
