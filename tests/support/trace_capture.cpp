#include "support/trace_capture.h"

#include <regex>

namespace dbs::test {

std::string NormalizeHead(const std::string& text) {
    static const std::regex head(R"(^(\[File[:=] ?|FILE )([^ ,\]]+)(,? ?Line[:=]? ?)(-?\d+))");
    return std::regex_replace(text, head, "$1*$3*", std::regex_constants::format_first_only);
}

TraceCapture::TraceCapture() { TraceSetSink(&TraceCapture::Sink, this); }
TraceCapture::~TraceCapture() { TraceSetSink(nullptr, nullptr); }

void TraceCapture::Sink(void* ctx, int level, const char* file, int line, const char* text) {
    auto* self = static_cast<TraceCapture*>(ctx);
    self->lines_.push_back(TraceLine{level, file != nullptr ? file : "", line, text != nullptr ? text : ""});
}

std::vector<std::string> TraceCapture::Texts() const {
    std::vector<std::string> out;
    out.reserve(lines_.size());
    for (const auto& l : lines_) out.push_back(NormalizeHead(l.text));
    return out;
}

std::string TraceCapture::Last() const { return lines_.empty() ? std::string() : NormalizeHead(lines_.back().text); }

}  // namespace dbs::test
