#include "qtcore/qt_instrument_streams.h"

#include "qtcore/qt_usbtmc_stream.h"

#ifdef _WIN32
#include "qtcore/qt_tcp_stream.h"
#else
#include "qtcore/posix_serial_instrument_stream.h"
#include "qtcore/posix_tcp_stream.h"
#endif

namespace qs::qt {

std::unique_ptr<IByteStream> QtInstrumentStreams::Create(const StreamEndpoint& endpoint,
                                                         std::string* error) {
    switch (endpoint.kind) {
        case StreamEndpoint::Kind::Tcp:
#ifdef _WIN32
            return std::make_unique<QtTcpStream>(endpoint.host, endpoint.port);
#else
            return std::make_unique<PosixTcpStream>(endpoint.host, endpoint.port);
#endif
        case StreamEndpoint::Kind::UsbTmc:
            return std::make_unique<QtUsbTmcStream>(endpoint.device, endpoint.answerTimeoutMs);
        case StreamEndpoint::Kind::Serial:
#ifndef _WIN32
            return std::make_unique<PosixSerialInstrumentStream>(endpoint.device, endpoint.baud);
#else
            break;
#endif
    }
    if (error) {
        *error = "instruments on a serial line are not supported on this system yet (use its "
                 "TCP or USB connection if it has one)";
    }
    return nullptr;
}

}  // namespace qs::qt
