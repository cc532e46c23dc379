#include "Source/Network/NetworkSettings.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Lon.h"
#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/Pattern.h"
#include "Libraries/Net/Address.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <sstream>
#include <variant>

using namespace Lumvek;

namespace
{

// What a number must be for the role to work with it, beyond having the right kind.
enum class Limit
{
    None,
    // Durations: a negative one would end its state before it began, and a later countdown built on
    // it would start already expired.
    NotNegative,
    // Rates: 0 would ask for a broadcast every instant.
    Positive,
};

// One key of a role file and the field it fills; one table per record drives every read.
template <class Settings> struct SettingKey
{
    using Field = std::variant<bool Settings::*, float Settings::*, double Settings::*, uint32_t Settings::*,
                               uint16_t Settings::*, std::string Settings::*>;

    StringView name;
    Field field;
    Limit limit = Limit::None;
};

const SettingKey<NetworkSettings> NetworkKeys[] = {
    {"Simulate", &NetworkSettings::simulate},
    {"PacketLoss", &NetworkSettings::packetLoss},
    {"PacketDuplication", &NetworkSettings::packetDuplication},
    {"LatencyAmount", &NetworkSettings::latencyAmount},
    {"LatencyVariance", &NetworkSettings::latencyVariance},
    {"PrepareDuration", &NetworkSettings::prepareDuration, Limit::NotNegative},
    {"StartDuration", &NetworkSettings::startDuration, Limit::NotNegative},
    {"EndDuration", &NetworkSettings::endDuration, Limit::NotNegative},
};

const SettingKey<ServerSettings> ServerKeys[] = {
    {"HostingIp", &ServerSettings::hostingIp},
    {"HostingPort", &ServerSettings::hostingPort},
    {"MinimumPlayers", &ServerSettings::minimumPlayers},
    {"MaximumPlayers", &ServerSettings::maximumPlayers},
    {"ConnectionTimeout", &ServerSettings::connectionTimeout, Limit::NotNegative},
    {"IntermissionDuration", &ServerSettings::intermissionDuration, Limit::NotNegative},
    {"VoteDuration", &ServerSettings::voteDuration, Limit::NotNegative},
    {"LoadDuration", &ServerSettings::loadDuration, Limit::NotNegative},
    {"ForceUpdateTimeout", &ServerSettings::forceUpdateTimeout, Limit::NotNegative},
    {"GameStateUpdateRate", &ServerSettings::gameStateUpdateRate, Limit::Positive},
    {"InactivityTimeout", &ServerSettings::inactivityTimeout, Limit::NotNegative},
};

const SettingKey<ClientSettings> ClientKeys[] = {
    {"MatcherIp", &ClientSettings::matcherIp},
    {"MatcherPort", &ClientSettings::matcherPort},
};

// A number the role can use under the key's limit; anything else is logged.
bool IsUsable(double value, double largest, Limit limit, StringView key, StringView path)
{
    if (!std::isfinite(value) || std::fabs(value) > largest)
    {
        Log::Write("{}: {} is too large a number: it keeps its default", path, key);
        return false;
    }
    if ((limit == Limit::NotNegative && value < 0.0) || (limit == Limit::Positive && value <= 0.0))
    {
        Log::Write("{}: {} cannot be {} seconds: it keeps its default", path, key, value);
        return false;
    }
    return true;
}

// The key's member of the root object, or null.
const Blueprint* MemberOf(const BlueprintReader& reader, StringView key)
{
    const Blueprint& root = reader.GetCurrent();
    return root.GetType() == BlueprintType::Object ? root.GetObject().Find(key) : nullptr;
}

// A value as the file wrote it, for the log.
std::string TextOf(const Blueprint& value)
{
    switch (value.GetType())
    {
    case BlueprintType::Boolean:
        return value.GetBoolean() ? "true" : "false";
    case BlueprintType::Integer:
        return std::to_string(value.GetInteger());
    case BlueprintType::UnsignedInteger:
        return std::to_string(value.GetUnsignedInteger());
    case BlueprintType::Number:
    {
        std::ostringstream text;
        text << value.GetNumber();
        return text.str();
    }
    case BlueprintType::String:
        return "\"" + std::string(value.GetString().ToStdView()) + "\"";
    case BlueprintType::Array:
        return "a list";
    case BlueprintType::Object:
        return "an object";
    default:
        return "null";
    }
}

// A host who writes a setting of the wrong kind learns of it: the setting would otherwise seem to
// take no effect.
void LogRefused(const Blueprint& value, StringView key, const char* wanted, StringView path)
{
    Log::Write("{}: {} = {} is not {}: it keeps its default", path, key, TextOf(value), wanted);
}

// A number written with or without a decimal point.
std::optional<double> NumberOf(const Blueprint& value)
{
    switch (value.GetType())
    {
    case BlueprintType::Number:
        return value.GetNumber();
    case BlueprintType::Integer:
        return static_cast<double>(value.GetInteger());
    case BlueprintType::UnsignedInteger:
        return static_cast<double>(value.GetUnsignedInteger());
    default:
        return std::nullopt;
    }
}

// A whole number of 0 or more, with or without a sign.
std::optional<uint64_t> CountOf(const Blueprint& value)
{
    if (value.GetType() == BlueprintType::UnsignedInteger)
        return value.GetUnsignedInteger();
    if (value.GetType() == BlueprintType::Integer && value.GetInteger() >= 0)
        return static_cast<uint64_t>(value.GetInteger());
    return std::nullopt;
}

// The settings name their own refusals, with the path of the settings file.
void ReadKey(BlueprintReader& reader, StringView key, bool& field, Limit, StringView path)
{
    const Blueprint* member = MemberOf(reader, key);
    if (member && member->GetType() == BlueprintType::Boolean)
        field = member->GetBoolean();
    else if (member)
        LogRefused(*member, key, "true or false", path);
}

void ReadKey(BlueprintReader& reader, StringView key, std::string& field, Limit, StringView path)
{
    const Blueprint* member = MemberOf(reader, key);
    if (member && member->GetType() == BlueprintType::String)
        field = member->GetString().ToString();
    else if (member)
        LogRefused(*member, key, "a text in quotes", path);
}

// Read as a double so that a value beyond the float range is refused rather than narrowed.
template <class Field>
void ReadNumber(BlueprintReader& reader, StringView key, Field& field, double largest, Limit limit, StringView path)
{
    const Blueprint* member = MemberOf(reader, key);
    if (!member)
        return;
    const std::optional<double> value = NumberOf(*member);
    if (!value)
        LogRefused(*member, key, "a number", path);
    else if (IsUsable(*value, largest, limit, key, path))
        field = static_cast<Field>(*value);
}

void ReadKey(BlueprintReader& reader, StringView key, float& field, Limit limit, StringView path)
{
    ReadNumber(reader, key, field, FLT_MAX, limit, path);
}

void ReadKey(BlueprintReader& reader, StringView key, double& field, Limit limit, StringView path)
{
    ReadNumber(reader, key, field, DBL_MAX, limit, path);
}

// A count beyond 32 bits is refused rather than cut to its low bits, which would be another count.
void ReadKey(BlueprintReader& reader, StringView key, uint32_t& field, Limit, StringView path)
{
    const Blueprint* member = MemberOf(reader, key);
    if (!member)
        return;
    const std::optional<uint64_t> count = CountOf(*member);
    if (!count)
    {
        LogRefused(*member, key, "a whole number of 0 or more", path);
        return;
    }
    const uint64_t value = *count;
    if (value > std::numeric_limits<uint32_t>::max())
    {
        Log::Write("{}: {} {} is too large: it keeps its default", path, key, value);
        return;
    }
    field = static_cast<uint32_t>(value);
}

// The 16-bit fields are ports, which have no default of their own in the file: the role needs one to
// bind or to join, so a missing or unusable port is named in the log.
void ReadKey(BlueprintReader& reader, StringView key, uint16_t& field, Limit, StringView path)
{
    const Blueprint* member = MemberOf(reader, key);
    const std::optional<uint64_t> count = member ? CountOf(*member) : std::nullopt;
    const uint64_t value = count.value_or(0);
    if (!count)
    {
        Log::Write("{} gives no {} as an unsigned integer: using port {}", path, key, DefaultGamePort);
        field = DefaultGamePort;
        return;
    }
    if (value == 0 || value > std::numeric_limits<uint16_t>::max())
    {
        Log::Write("{}: {} {} is not a port from 1 to 65535: using port {}", path, key, value, DefaultGamePort);
        field = DefaultGamePort;
        return;
    }
    field = static_cast<uint16_t>(value);
}

template <class Settings>
void ReadKeys(const Blueprint& root, Settings& settings, std::span<const SettingKey<Settings>> keys, StringView path)
{
    BlueprintReader reader(root);
    for (const SettingKey<Settings>& key : keys)
        std::visit([&](auto field) { ReadKey(reader, key.name, settings.*field, key.limit, path); }, key.field);
}

template <class Settings> void ReadSettings(const Blueprint& root, Settings& settings, StringView path)
{
    if constexpr (std::is_same_v<Settings, ServerSettings>)
        ReadServerSettings(root, settings, path);
    else if constexpr (std::is_same_v<Settings, ClientSettings>)
        ReadClientSettings(root, settings, path);
    else
        ReadNetworkSimulationSettings(root, settings, path);
}

} // namespace

void ReadNetworkSimulationSettings(const Blueprint& root, NetworkSettings& settings, StringView path)
{
    ReadKeys<NetworkSettings>(root, settings, NetworkKeys, path);
}

bool ReadServerSettings(const Blueprint& root, ServerSettings& settings, StringView path)
{
    ReadNetworkSimulationSettings(root, settings, path);
    ReadKeys<ServerSettings>(root, settings, ServerKeys, path);
    const uint32_t players = std::clamp(settings.maximumPlayers, 1u, MaxServerPlayers);
    if (players != settings.maximumPlayers)
    {
        Log::Write("{}: MaximumPlayers {} is not 1 to {}: using {}", path, settings.maximumPlayers, MaxServerPlayers,
                   players);
        settings.maximumPlayers = players;
    }
    // A full server votes at once, so a vote never waits for more players than it seats.
    if (settings.minimumPlayers > settings.maximumPlayers)
    {
        Log::Write("{}: MinimumPlayers {} is more than MaximumPlayers {}, and a full server votes at once: using {}",
                   path, settings.minimumPlayers, settings.maximumPlayers, settings.maximumPlayers);
        settings.minimumPlayers = settings.maximumPlayers;
    }
    return true;
}

void ReadClientSettings(const Blueprint& root, ClientSettings& settings, StringView path)
{
    ReadNetworkSimulationSettings(root, settings, path);
    ReadKeys<ClientSettings>(root, settings, ClientKeys, path);
}

namespace
{

// A valid address's text names a port when it holds "]:", or one colon alone (IPv6 hosts hold two or more).
bool NamesPort(const std::string& text)
{
    const size_t colon = text.find(':');
    return text.find("]:") != std::string::npos || (colon != std::string::npos && colon == text.rfind(':'));
}

// The blank a text begins or ends with, named.
const char* BlankName(char blank)
{
    return blank == ' ' ? "a space" : blank == '\t' ? "a tab" : "a blank";
}

// What to write instead of a link-local address: the client's key names the server's machine, not its own.
const char* OtherAddress(bool dialled)
{
    return dialled ? "another address of the server's machine" : "another address of this machine";
}

// A text that is no address as it stands. Blanks around an address, and a zone after one, are named: the
// quotes in the line hide the one and the other looks like a way to write an address.
void RefuseNonAddress(const std::string& text, StringView key, StringView path, bool dialled)
{
    constexpr const char* Blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(Blanks);
    const std::string trimmed =
        first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(Blanks) - first + 1);
    const size_t percent = trimmed.find('%');
    std::string unzoned = trimmed;
    if (percent != std::string::npos)
        unzoned.erase(percent, trimmed.find(']', percent) - percent);
    const Net::Address withoutZone(unzoned.c_str());
    if (!trimmed.empty() && trimmed != text && Net::Address(trimmed.c_str()).IsValid())
    {
        const bool begins = first > 0;
        const bool ends = text.size() - first > trimmed.size();
        Log::Write("{}: {} = \"{}\" {} {}: write {} = \"{}\"", path, key, text,
                   begins && ends ? "begins and ends with"
                   : begins       ? "begins with"
                                  : "ends with",
                   BlankName(begins ? text.front() : text.back()), key, trimmed);
    }
    // The library's addresses carry no zone, and the system picks the interface. An address of fe80::/10 needs
    // one, so none of them can be used.
    else if (percent != std::string::npos && withoutZone.GetType() == Net::ADDRESS_IPV6)
        Log::Write("{}: {} = \"{}\" names a zone ({}), which is not taken: {}", path, key, text,
                   trimmed.substr(percent, trimmed.size() - unzoned.size()),
                   withoutZone.IsLinkLocal()
                       ? FormatText("a link-local address needs one, so write {}", OtherAddress(dialled))
                       : FormatText("write {} = \"{}\"", key, withoutZone.HostText()));
    else
        Log::Write("{}: {} = \"{}\" is not an address: {} takes a numeric IPv4 or IPv6 address, such as "
                   "\"192.168.1.20\" (names are not looked up)",
                   path, key, text, key);
}

// A server's address may stand for every address of its machine; the address a client dials may not.
bool ReadsAsAddress(const std::string& text, StringView key, StringView portKey, StringView path, bool dialled)
{
    const Net::Address address(text.c_str());
    const bool ipv6 = address.GetType() == Net::ADDRESS_IPV6;
    if (!address.IsValid())
        RefuseNonAddress(text, key, path, dialled);
    // Taken as it is, the port would be dropped without a word or the address dialled with two.
    else if (NamesPort(text))
        Log::Write("{}: {} = \"{}\" holds a port: write {} = \"{}\" and the port as {} = {}", path, key, text, key,
                   address.HostText(), portKey, address.GetPort());
    // No socket here binds to or reaches one: an IPv6 socket takes IPv6 alone, an IPv4 one IPv6 not at all.
    else if (address.IsIPv4Mapped())
        Log::Write("{}: {} = \"{}\" is an IPv4 address in IPv6 form, which is neither bound to nor reached: write "
                   "{} = \"{}\"",
                   path, key, text, key, address.HostText());
    // Without its interface the system cannot tell which link such an address is on: a server bound to "::"
    // answers none, and a socket bound to it fails.
    else if (address.IsLinkLocal())
        Log::Write("{}: {} = \"{}\" is a link-local address, which needs a zone, and zones are not taken: write {}",
                   path, key, text, OtherAddress(dialled));
    // No one machine has such an address: a client's requests would reach no server, or several, and a server
    // bound there would hear only what is sent to everyone.
    else if (address.IsBroadcast() || address.IsMulticast())
        Log::Write("{}: {} = \"{}\" is {}, which names no one machine: write {}", path, key, text,
                   address.IsBroadcast() ? "the broadcast address" : "a multicast address",
                   dialled ? FormatText("the server's address, or {} = \"{}\" for a server on this machine", key,
                                        ipv6 ? "::1" : "127.0.0.1")
                           : FormatText("one of this machine's addresses, or {} = \"{}\" for every one", key,
                                        ipv6 ? "::" : "0.0.0.0"));
    // Requests sent there go nowhere, or to this machine by chance, and their tokens name no server.
    else if (dialled && address.IsEveryAddress())
        Log::Write("{}: {} = \"{}\" stands for every address of a machine, which a server listens at but a client "
                   "cannot dial: write the server's address, or {} = \"{}\" for a server on this machine",
                   path, key, text, key, ipv6 ? "::1" : "127.0.0.1");
    else
        return true;
    return false;
}

} // namespace

bool IsUsableAddress(const ServerSettings& settings, StringView path)
{
    return settings.hostingIp.empty() || ReadsAsAddress(settings.hostingIp, "HostingIp", "HostingPort", path, false);
}

bool IsUsableAddress(const ClientSettings& settings, StringView path)
{
    return ReadsAsAddress(settings.matcherIp, "MatcherIp", "MatcherPort", path, true);
}

template <class Settings> Settings ParseRoleFile(StringView text, StringView path)
{
    Blueprint root;
    StringReader reader(text);
    JsonNotes notes;
    if (!Lon::Parse(reader, root, &notes))
    {
        // A host fixing a typo needs to know where it is, not only that the file was passed over.
        if (reader.errors.empty())
            Log::Write("the role file {} is not LON text: its settings keep their defaults", path);
        else
            Log::Write("the role file {} is not LON text at line {}, column {} ({}): its settings keep their "
                       "defaults",
                       path, reader.errors.front().line, reader.errors.front().column, reader.errors.front().message);
        root = Blueprint();
    }
    else if (root.GetType() != BlueprintType::Object)
        Log::Write("the role file {} holds no object: its settings keep their defaults", path);
    // A number that is not one as written ("40000x", "0x9c40") is held as its text, so only its key
    // keeps its default, named here with why and again by the key's reader.
    for (const JsonNotes::Number& number : notes.numbers)
        Log::Write("{}: {} = {} is not read: {}", path, number.path, number.text, number.why);
    // Read even an empty tree, so that what the role cannot do without is still named in the log.
    Settings settings;
    ReadSettings(root, settings, path);
    return settings;
}

template <class Settings> Settings LoadRoleFile(const FileManager& files, StringView path)
{
    const std::string resolved = files.ResolvePath(path);
    const auto [read, text] = File::ReadAllText(resolved);
    if (read)
        return ParseRoleFile<Settings>(text, resolved);
    Log::Write("the role file {} cannot be read: its settings keep their defaults", resolved);
    Settings settings;
    ReadSettings(Blueprint(), settings, resolved);
    return settings;
}

template NetworkSettings ParseRoleFile<NetworkSettings>(StringView, StringView);
template ServerSettings ParseRoleFile<ServerSettings>(StringView, StringView);
template ClientSettings ParseRoleFile<ClientSettings>(StringView, StringView);
template NetworkSettings LoadRoleFile<NetworkSettings>(const FileManager&, StringView);
template ServerSettings LoadRoleFile<ServerSettings>(const FileManager&, StringView);
template ClientSettings LoadRoleFile<ClientSettings>(const FileManager&, StringView);
