// Feeds arbitrary bytes to the response reader, whole and split at a point taken from the input, and
// checks that both give the same answer and that the limits hold.
#include "platform/net/http_response_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using vellumo::HttpResponseReader;
    const char* bytes = reinterpret_cast<const char*>(data);
    const qint64 length = static_cast<qint64>(size);

    HttpResponseReader whole;
    whole.feed(bytes, length);
    whole.finish();

    HttpResponseReader split;
    const qint64 cut = length == 0 ? 0 : data[0] % (length + 1);
    split.feed(bytes, cut);
    split.feed(bytes + cut, length - cut);
    split.finish();

    if (whole.state() != split.state())
        std::abort();
    if (whole.state() == HttpResponseReader::State::Complete &&
        (whole.status() != split.status() || whole.reason() != split.reason() || whole.body() != split.body()))
        std::abort();
    if (whole.body().size() > HttpResponseReader::MaxBodyBytes)
        std::abort();
    return 0;
}
