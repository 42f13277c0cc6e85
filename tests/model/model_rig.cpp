#include "model_rig.h"

#include "image_builder.h"
#include "link/hex_text.h"

namespace qs::testing {
namespace {

Bytes Frame(const Bytes& body) {
    Bytes frame{0xFE, 0xFE};
    frame.insert(frame.end(), body.begin(), body.end());
    frame.push_back(0xFD);
    return frame;
}

void AppendHex(Bytes& body, int value) {
    std::string text = ByteToHex2(static_cast<std::int16_t>(value));
    body.push_back(static_cast<std::uint8_t>(text[0]));
    body.push_back(static_cast<std::uint8_t>(text[1]));
}

}  // namespace

ScriptedRadio::ScriptedRadio(MemoryCable& cable) : cable_(cable) {
    cable_.setPeer([this](const Bytes& frame) { OnWrite(frame); });
}

int ScriptedRadio::LastSent(int command) const {
    for (auto it = adjustments.rbegin(); it != adjustments.rend(); ++it) {
        if (it->command == command) return it->value;
    }
    return -1;
}

void ScriptedRadio::Queue(const Bytes& body) {
    outbox_.push_back(Frame(body));
}

void ScriptedRadio::Pump() {
    if (outbox_.empty()) return;
    cable_.deliver(outbox_.front());
    outbox_.pop_front();
}

void ScriptedRadio::OnWrite(const Bytes& frame) {
    if (silent || frame.size() < 6 || frame[0] != 0xFE || frame[1] != 0xFE) return;
    if (frame[2] != 0xEE || frame[3] != 0xEF || frame.back() != 0xFD) return;
    const std::uint8_t command = frame[4];
    const Bytes data(frame.begin() + 5, frame.end() - 1);
    if (command == 0xE0) {
        Bytes body{0xEF, 0xEE, 0xE1, 0x30, 0x17, 0x01, 0x02, 62};
        body.resize(69, 0x00);
        body[42] = 0x01;  // format byte, position 43
        const char* last = "7D6F";
        for (int i = 0; i < 4; ++i)
            body[static_cast<std::size_t>(65 + i)] = last[i];
        Queue(body);
    } else if (command == 0xE2) {
        int blocks = 0;
        for (int address = 0; address < clsCmcEeprom::kImageSizeBytes; address += kBlockBytes) {
            int n = std::min(kBlockBytes, clsCmcEeprom::kImageSizeBytes - address);
            Bytes body{0xEF, 0xEE, 0xE4};
            AppendHex(body, address >> 8);
            AppendHex(body, address & 0xFF);
            AppendHex(body, n);
            int sum = (address >> 8) + (address & 0xFF) + n;
            for (int i = 0; i < n; ++i) {
                int b = image.ReadByte(address + i);
                AppendHex(body, b);
                sum += b;
            }
            AppendHex(body, (256 - sum % 256) % 256);
            Queue(body);
            ++blocks;
        }
        Bytes end{0xEF, 0xEE, 0xE5};
        Bytes maker = HexTextToBytes("5665786120496E632E");
        end.insert(end.end(), maker.begin(), maker.end());
        AppendHex(end, blocks % 256);
        Queue(end);
    } else if (command == 0xE8 && data.size() >= 7) {
        const int code = data[4];
        Bytes digits(data.begin() + 5, data.begin() + 7);
        const int value = AsciiHexToInt(digits);
        if (code != 0x03) {
            adjustments.push_back({code, value});
            return;
        }
        readingCodes.push_back(value);
        Bytes body{0xEF, 0xEE, 0xE8};
        if (readingBody) {
            Bytes custom = readingBody(value);
            body.insert(body.end(), custom.begin(), custom.end());
        } else {
            body.insert(body.end(), {0x30, 0x17, 0x01, 0x02, 0x03});
            int raw =
                readingValue ? readingValue(value) : (readings.count(value) ? readings[value] : 0);
            AppendHex(body, raw);
        }
        Queue(body);
    }
}

ModelRig::ModelRig()
    : op(RigK52TParts{seq, com.kel3D(), radio, console, win.controls(), clock, beeper, *this}) {
    radio.setRadioNameM("3017");
    radio.setRadionameS("0102");
    seq.setSubNameCheck(&op);
    seq.setCloneErrorReporter(this);
    com.setCloneErrorReporter(this);
    com.setSequence(&seq);
    com.setMainTask(this);
    timer.setEnabled(true);
    win.window.setClientSize(9405, 7710);
    win.linSepa[1].setCoords(0, 15, 9405, 15);
}

void ModelRig::task() {
    seq.task();
    op.task();
    if (seq.OpRunning()) seq.task();
}

void ModelRig::MsgBoxCloneErr(clsCmcKel3Sequence& sequence) {
    ++errorMessages;
    errorSequenceCodes.push_back(sequence.error());
    errorDriverCodes.push_back(com.kel3D().lastError());
    op.RigOpFunc_ResetAll();
}

void ModelRig::Tick() {
    radioPeer.Pump();
    clock.advance(frmCom::kHeartbeatMs);
    timer.fire();
}

bool ModelRig::RunUntil(const std::function<bool()>& done, int maxTicks) {
    for (int i = 0; i < maxTicks; ++i) {
        if (done()) return true;
        Tick();
    }
    return done();
}

bool ModelRig::Connect() {
    op.RigOpFunc_ClickCmd00(0);
    return RunUntil([this] { return op.taskState() == 28; });
}

void PutRigTable(clsCmcEeprom& image, int channelCount) {
    PutTableHeader(image, 8, 1, 0x0200);
    PutEntry(image, 0x0200, 2, 8, channelCount, kRigChannels);
    PutEntry(image, 0x0208, 3, 1, channelCount, kRigPower);
}

void PutChannel(clsCmcEeprom& image, int ch, std::uint32_t rxHz, std::uint32_t txHz, int power) {
    std::int32_t record = kRigChannels + 8 * ch;
    Put(image, record,
        {int(rxHz >> 24), int(rxHz >> 16 & 0xFF), int(rxHz >> 8 & 0xFF), int(rxHz & 0xFF)});
    Put(image, record + 4,
        {int(txHz >> 24), int(txHz >> 16 & 0xFF), int(txHz >> 8 & 0xFF), int(txHz & 0xFF)});
    Put(image, kRigPower + ch, {power});
}

}  // namespace qs::testing
