// The JSON writer: escaping of ANSI texts and the document's shape.
#include "Json.h"

#include <gtest/gtest.h>

namespace orvane::stubpack {
namespace {

TEST(StubpackJson, QuotesAnsiTextAsAsciiJson) {
  struct Case {
    std::string text;
    const char* json;
  };
  const Case cases[] = {
      {"plain", "\"plain\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"C:\\dir\\", "\"C:\\\\dir\\\\\""},
      {"a\nb\r\tc", "\"a\\nb\\r\\tc\""},
      {std::string("\x01\x02\x1f\x7f", 4), "\"\\u0001\\u0002\\u001f\\u007f\""},
      {std::string(1, '\0'), "\"\\u0000\""},
      {"\x80 \x9f \x81", "\"\\u20ac \\u0178 \\u0081\""},
      {"caf\xe9 \xff", "\"caf\\u00e9 \\u00ff\""},
      {"</script>", "\"</script>\""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(JsonQuote(c.text), c.json) << c.text;
}

TEST(StubpackJson, WritesNestedDocuments) {
  JsonWriter json;
  json.BeginObject();
  json.Member("name", "x");
  json.MemberNumber("negative", -5);
  json.MemberUnsigned("big", 18446744073709551615u);
  json.Key("list");
  json.BeginArray();
  json.Bool(true);
  json.BeginObject();
  json.EndObject();
  json.BeginArray();
  json.EndArray();
  json.Null();
  json.EndArray();
  json.EndObject();
  EXPECT_EQ(json.Text(),
            "{\n"
            "  \"name\": \"x\",\n"
            "  \"negative\": -5,\n"
            "  \"big\": 18446744073709551615,\n"
            "  \"list\": [\n"
            "    true,\n"
            "    {},\n"
            "    [],\n"
            "    null\n"
            "  ]\n"
            "}\n");
}

}  // namespace
}  // namespace orvane::stubpack
