#pragma once

#include <memory>
#include <string>

#include "platform/byte_stream.h"

namespace qs::qt {

// Byte streams to bench instruments for the program: TCP sockets, USBTMC device files and, on
// POSIX systems, serial lines.
class QtInstrumentStreams : public IByteStreamFactory {
public:
    std::unique_ptr<IByteStream> Create(const StreamEndpoint& endpoint,
                                        std::string* error) override;
};

}  // namespace qs::qt
