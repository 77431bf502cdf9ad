// The AI providers' 200 answers, in any shape a hostile or broken service sends: each reader
// either finds its text, finds none, or says the body is not JSON; it never crashes or hangs.
#include <QByteArray>
#include <cstdint>
#include <cstdlib>

#include "assistant/ai/PlusAIReplies.h"

using namespace tarvel;

namespace {

void check(const PlusAIReplies::Parsed& parsed) {
    using Kind = PlusAIReplies::Parsed::Kind;
    if (parsed.kind != Kind::text && !parsed.text.isEmpty()) std::abort();
    if (parsed.kind == Kind::notJson && parsed.error.isEmpty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray body =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    check(PlusAIReplies::chatCompletionText(body));
    check(PlusAIReplies::geminiText(body));
    check(PlusAIReplies::anthropicText(body));
    return 0;
}
