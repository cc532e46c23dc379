// Built by clang with the fuzz build's UndefinedBehaviorSanitizer and Fuzz/ignorelist.txt, and run by
// the test build: it includes RapidJSON's headers in the order Engine/Foundation/Json.cpp does (so
// that they are reached by the same paths) and writes and reads a text, each on an empty stack. The
// sanitizer stops it, as it would stop every fuzz program on its first input, when the list no longer
// leaves RapidJSON's stack unchecked.
#include <rapidjson/error/en.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/reader.h>
#include <rapidjson/stringbuffer.h>

int main()
{
    rapidjson::StringBuffer text;
    rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(text);
    writer.StartObject();
    writer.Key("Values");
    writer.StartArray();
    writer.Int(1);
    writer.EndArray();
    writer.EndObject();
    rapidjson::Reader reader;
    rapidjson::StringStream input(text.GetString());
    rapidjson::BaseReaderHandler<> handler;
    return reader.Parse(input, handler).IsError() ? 1 : 0;
}
