#include "request_parser.h"

namespace qtsim {

std::vector<Bytes> RequestParser::feed(const Bytes& bytes) {
    std::vector<Bytes> bodies;
    for (std::uint8_t b : bytes) {
        if (b == kPreamble) {
            // Every FE (re)starts a frame, so the two preambles leave an empty body.
            inFrame_ = true;
            body_.clear();
            continue;
        }
        if (!inFrame_) continue;
        if (b == kEndMark) {
            if (!body_.empty()) bodies.push_back(body_);
            body_.clear();
            inFrame_ = false;
            continue;
        }
        if (body_.size() >= kMaxBodyBytes) {
            body_.clear();
            inFrame_ = false;
            continue;
        }
        body_.push_back(b);
    }
    return bodies;
}

void RequestParser::reset() {
    body_.clear();
    inFrame_ = false;
}

}  // namespace qtsim
