// Prints how fast answers are parsed and reply lines built: a typical answer, and large answers
// of many short fields (the worst case for the tokenizer).
#include <chrono>
#include <cstdio>
#include <string>

#include "record/call_record.h"

namespace {

std::string TypicalAnswer() {
    std::string a = "N0CALL";
    const struct {
        unsigned char tag;
        const char* value;
    } fields[] = {{0xB8, "JANE"},       {0xB9, "Q"},          {0xBA, "SAMPLE"},
                  {0xBC, "12 ELM ST"},  {0xBF, "ANYTOWN"},    {0xC0, "IL"},
                  {0xC1, "60000"},      {0xC6, "LAKE"},       {0xD1, "United States"},
                  {0xB6, "E"},          {0xCA, "EN52"},       {0xC8, "42.25"},
                  {0xC9, "88.1"},       {0xD0, "BUREAU"},     {0xC3, "01/15/2005"},
                  {0xC4, "01/15/2015"}, {0xB7, "X"},          {0xD3, "Y"},
                  {0xC7, "-6"},         {0xC5, "11/02/2008"}, {0xBB, "IGNORED"}};
    for (const auto& f : fields) {
        a += static_cast<char>(f.tag);
        a += f.value;
    }
    return a;
}

template <typename F>
double SecondsFor(int rounds, F&& work) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        work();
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    const std::string typical = TypicalAnswer();
    const int rounds = 200000;
    std::size_t sink = 0;
    const double t = SecondsFor(rounds, [&] {
        const record::CallRecord parsed = record::ParseAnswer(typical);
        sink += record::ReplyLine(parsed).size() + record::ExtendedLine(parsed).size();
    });
    std::printf("typical answer (%zu bytes): %.2f us per parse and both lines\n", typical.size(),
                t / rounds * 1e6);

    for (std::size_t size : {100000u, 1000000u, 4000000u}) {
        // Every byte a tag: one empty field per byte.
        const std::string manyFields = "N0CALL" + std::string(size, '\xBB');
        const double s = SecondsFor(1, [&] {
            const record::CallRecord parsed = record::ParseAnswer(manyFields);
            sink += parsed.callsign.size();
        });
        std::printf("%zu one-byte fields: %.3f s (%.1f MB/s)\n", size, s, size / s / 1e6);
    }
    return sink == 0 ? 1 : 0;
}
