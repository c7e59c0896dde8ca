// Our JSON reader against nlohmann's, which it stands in for: on random documents, whole and
// damaged, both must hand over the same events in the same order and agree on whether the text is
// JSON. The array counts the handler is given are checked against the elements that follow.
#include "host/io/JsonReader.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using Tam::Io::detail::Json;
using Tam::Io::detail::JsonRead;

// Every event as a line of text; numbers by type and bits, so that 1, 1.0 and -0 stay apart.
struct Recorder : nlohmann::json_sax<Json> {
    std::vector<std::string> events;
    // Per open array: the count given at its start and the elements seen so far.
    std::vector<std::pair<std::size_t, std::size_t>> arrays;
    bool countsRight = true;

    bool value(std::string e)
    {
        if (!arrays.empty()) ++arrays.back().second;
        events.push_back(std::move(e));
        return true;
    }
    bool null() override { return value("null"); }
    bool boolean(bool v) override { return value(v ? "true" : "false"); }
    bool number_integer(number_integer_t v) override { return value("int " + std::to_string(v)); }
    bool number_unsigned(number_unsigned_t v) override { return value("uint " + std::to_string(v)); }
    bool number_float(number_float_t v, const string_t& text) override
    {
        return value("float " + std::to_string(std::bit_cast<uint64_t>(v)) + " " + text);
    }
    bool string(string_t& v) override { return value("string " + v); }
    bool binary(binary_t&) override { return value("binary"); }
    bool start_object(std::size_t) override { return value("{"); }
    bool key(string_t& k) override
    {
        events.push_back("key " + k);
        return true;
    }
    bool end_object() override
    {
        events.push_back("}");
        return true;
    }
    bool start_array(std::size_t count) override
    {
        value("[");
        arrays.emplace_back(count, 0);
        return true;
    }
    bool end_array() override
    {
        if (arrays.back().first != static_cast<std::size_t>(-1) && arrays.back().first != arrays.back().second)
            countsRight = false;
        arrays.pop_back();
        events.push_back("]");
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }
};

class Documents {
public:
    explicit Documents(uint32_t seed) : m_random(seed) {}

    std::string value(int depth)
    {
        switch (depth == 0 ? 6 + pick(2) : pick(depth > 3 ? 6 : 8)) {
        case 0: return pick(2) ? "true" : "false";
        case 1: return "null";
        case 2: return number();
        case 3: return number();
        case 4: return "\"" + text() + "\"";
        case 5: return "\"" + text() + "\"";
        case 6: {
            std::string s = "[" + space();
            for (int i = 0, n = pick(5); i < n; ++i) s += (i ? "," : "") + space() + value(depth + 1) + space();
            return s + "]";
        }
        default: {
            std::string s = "{" + space();
            for (int i = 0, n = pick(4); i < n; ++i)
                s += (i ? "," : "") + space() + "\"" + text() + "\"" + space() + ":" + space() + value(depth + 1);
            return s + space() + "}";
        }
        }
    }

    // A byte or two changed, inserted or removed, or the end cut off.
    std::string damage(std::string s)
    {
        static const std::string alphabet = "{}[],:\"\\ -+.eE0159aflnrtu\x7f\xc0\xe0\xed\xf4\xbf\x80\x01";
        const std::size_t at = s.empty() ? 0 : m_random() % s.size();
        const char c = alphabet[m_random() % alphabet.size()];
        switch (pick(4)) {
        case 0: return s.substr(0, at);
        case 1: return s.empty() ? s : (s[at] = c, s);
        case 2: return s.insert(at, 1, c);
        default: return s.empty() ? s : s.erase(at, 1);
        }
    }

    int pick(int n) { return static_cast<int>(m_random() % static_cast<uint32_t>(n)); }

private:
    std::string space()
    {
        static const char* blanks[] = {"", "", "", " ", "\n", "\t", "\r\n  "};
        return blanks[pick(7)];
    }
    std::string number()
    {
        static const char* edges[] = {"0", "-0", "18446744073709551615", "18446744073709551616", "-9223372036854775808",
                                      "-9223372036854775809", "1e308", "1e309", "-1e400", "1e-400", "4.9e-324",
                                      "0.1", "1E+2", "-2.5e-3", "123456789012345678901234567890"};
        switch (pick(3)) {
        case 0: return edges[pick(15)];
        case 1: return std::to_string(static_cast<int64_t>(m_random()) - (int64_t(1) << 31));
        default: {
            char buffer[40];
            std::snprintf(buffer, sizeof buffer, "%.*g", 1 + pick(9),
                          std::ldexp(double(m_random()) / 4294967296.0 - 0.5, pick(40) - 20));
            return buffer;
        }
        }
    }
    std::string text()
    {
        static const char* pieces[] = {"a", "Zq", " ", "\\n", "\\\"", "\\\\", "\\/", "\\u0041", "\\u00e9",
                                       "\\ud83d\\ude00", "\\ud83d", "\\ude00", "\\u0000", "\xc3\xa9",
                                       "\xe2\x82\xac", "\xf0\x9f\x98\x80", "\xed\xa0\x80", "\xc0\xaf", "\xf4\x90\x80\x80",
                                       "]", ",", "{"};
        std::string s;
        for (int i = 0, n = pick(4); i < n; ++i) s += pieces[pick(22)];
        return s;
    }

    std::mt19937 m_random;
};

void expectSameReading(const std::string& text)
{
    Recorder ours, theirs;
    const JsonRead read = Tam::Io::detail::readJson(text, ours);
    const bool accepted = Json::sax_parse(text.begin(), text.end(), &theirs);
    SCOPED_TRACE(text);
    EXPECT_EQ(read == JsonRead::Whole, accepted);
    EXPECT_EQ(ours.events, theirs.events);
    EXPECT_TRUE(ours.countsRight);
}

TEST(JsonReader, ReadsWhatNlohmannReadsEventForEvent)
{
    Documents documents(20261206);
    int whole = 0, broken = 0;
    for (int i = 0; i < 6000 && !testing::Test::HasFailure(); ++i) {
        std::string text = documents.value(0);
        if (documents.pick(3) == 0) text = "\xEF\xBB\xBF" + text;
        for (int k = documents.pick(3); k > 0; --k) text = documents.damage(text);
        expectSameReading(text);
        Recorder probe;
        (Tam::Io::detail::readJson(text, probe) == JsonRead::Whole ? whole : broken)++;
    }
    // Both kinds were well represented.
    EXPECT_GT(whole, 1000);
    EXPECT_GT(broken, 1000);
}

TEST(JsonReader, AgreesOnTheEdgesOfTheGrammar)
{
    for (const char* text : {"", " ", "\xEF\xBB", "\xEF\xBB\xBF", "\xEF\xBB\xBF[]", "[1,]", "{\"a\":1,}", "[01]", "-",
                             "1.", ".5", "1e", "+1", "[1 2]", "{\"a\" 1}", "{1:2}", "\"\t\"", "\"\\x\"", "nul",
                             "[true false]", "[] []", "[[[[]]]]", "{\"a\":{\"b\":[null]}}", "\"\\u12\"", "1e400"})
        expectSameReading(text);
}

TEST(JsonReader, StopsWhenTheHandlerSaysSo)
{
    struct StopAtThird : Recorder {
        bool number_unsigned(number_unsigned_t v) override { return Recorder::number_unsigned(v) && events.size() < 3; }
    } handler;
    EXPECT_EQ(Tam::Io::detail::readJson("[1, 2, 3, 4]", handler), JsonRead::Stopped);
    EXPECT_EQ(handler.events, (std::vector<std::string>{"[", "uint 1", "uint 2"}));
}

} // namespace
