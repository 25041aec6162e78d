// A reply on a connection to a local page or the container engine.
#include "FuzzInput.h"
#include "platform/HttpReplyParser.h"

using namespace tidewell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray reply = fuzz::bytes(data, size);
    const HttpReplyParser::Limits limits{256, 1024};
    // However the bytes are split into reads, the reply reads the same and stays within its caps.
    HttpReplyParser whole(limits);
    HttpReplyParser split(limits);
    whole.feed(reply);
    for (qsizetype at = 0; at < reply.size(); at += 7)
        split.feed(QByteArrayView(reply).sliced(at, std::min<qsizetype>(7, reply.size() - at)));
    for (HttpReplyParser* parser : {&whole, &split}) {
        parser->endOfInput();
        fuzz::require(parser->body().size() <= limits.maxBodyBytes);
        fuzz::require(parser->state() == HttpReplyParser::State::complete ||
                      parser->state() == HttpReplyParser::State::failed);
    }
    fuzz::require(whole.state() == split.state() && whole.failure() == split.failure() &&
                  whole.status() == split.status() && whole.body() == split.body());
    return 0;
}
