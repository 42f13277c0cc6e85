#include "qtcore/qt_instrument_streams.h"

#include "qtcore/qt_tcp_stream.h"
#include "qtcore/qt_usbtmc_stream.h"

namespace qs::qt {

std::unique_ptr<IByteStream> QtInstrumentStreams::Create(const StreamEndpoint& endpoint,
                                                         std::string* error) {
    switch (endpoint.kind) {
        case StreamEndpoint::Kind::Tcp:
            return std::make_unique<QtTcpStream>(endpoint.host, endpoint.port);
        case StreamEndpoint::Kind::UsbTmc:
            return std::make_unique<QtUsbTmcStream>(endpoint.device, endpoint.answerTimeoutMs);
        case StreamEndpoint::Kind::Serial:
            break;
    }
    if (error) {
        *error = "instruments on a serial line are not supported yet (use its TCP or USB "
                 "connection if it has one)";
    }
    return nullptr;
}

}  // namespace qs::qt
