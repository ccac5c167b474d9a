#include "widgets/WidgetFactory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace {

// The resource compiler lets a 'hier' entry name only the types it lists as made by the factory:
// each of them must really be made, or a compiled file would fail to load its children.
TEST(FactoryTypes, EveryChildTypeTheCompilerAcceptsIsMadeByTheFactory)
{
    std::ifstream source(PNU_SOURCE_DIR "/tools/rescomp/rescomp/widgets.py");
    ASSERT_TRUE(source.good());
    std::stringstream text;
    text << source.rdbuf();
    std::smatch list;
    const std::string all = text.str();
    ASSERT_TRUE(std::regex_search(all, list, std::regex(R"(FACTORY_TYPES = \(([^)]*)\))")));
    const std::string names = list[1].str();
    int count = 0;
    const std::regex quoted(R"re("(....)")re");
    for (std::sregex_iterator it(names.begin(), names.end(), quoted), end; it != end; ++it) {
        const std::string code = (*it)[1].str();
        const uint32_t type = uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 |
                              uint32_t(uint8_t(code[2])) << 8 | uint32_t(uint8_t(code[3]));
        EXPECT_NE(FindWidgetFactoryEntry(type), nullptr) << "'" << code << "'";
        ++count;
    }
    EXPECT_GE(count, 10);
    EXPECT_EQ(FindWidgetFactoryEntry(0x74697767), nullptr) << "'tiwg' is made by code only";
}

} // namespace
