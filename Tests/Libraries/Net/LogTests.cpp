#include "Net/Log.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace
{

std::vector<std::string> printed;

int Capture(const char* format, ...)
{
    char text[4096];
    va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    printed.emplace_back(text);
    return length;
}

} // namespace

TEST(Log, EachLayerHasItsOwnLevel)
{
    printed.clear();
    Net::SetPrintFunction(Capture);
    Net::SetLogLevel(Net::LOG_LEVEL_NONE);
    Net::SetLogLevel(Net::LOG_LAYER_RELIABILITY, Net::LOG_LEVEL_ERROR);
    NET_LOG_ERROR("library %d", 1);
    NET_CONNECTION_LOG_ERROR("connection %d", 2);
    NET_RELIABLE_LOG_ERROR("reliability %d", 3);
    NET_RELIABLE_LOG_INFO("reliability %d", 4);
    EXPECT_EQ(printed, (std::vector<std::string>{"reliability 3\n"}));

    // Setting one level for all reaches every layer; long messages are cut to 1023 characters.
    Net::SetLogLevel(Net::LOG_LEVEL_INFO);
    EXPECT_EQ(Net::GetLogLevel(Net::LOG_LAYER_CONNECTION), Net::LOG_LEVEL_INFO);
    printed.clear();
    NET_CONNECTION_LOG_INFO("%s", std::string(3000, 'x').c_str());
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0], std::string(1023, 'x') + "\n");

    Net::SetLogLevel(Net::LOG_LEVEL_NONE);
    Net::SetPrintFunction(nullptr);
}
