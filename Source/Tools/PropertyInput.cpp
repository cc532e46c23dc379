#include "Source/Tools/PropertyInput.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Foundation/TickCount.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/Input/InputEvents.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Tools/Inspectors/PolygonInspector.h"
#include "Source/Tools/Tools.h"

#include <imgui.h>
#include <imgui_internal.h>
#include <imgui_stdlib.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string_view>

namespace PropertyInput
{

namespace
{

// Program-wide, application thread only. Each holds its outermost entry from the start.
std::vector<uint32_t> counters{0};
std::vector<float> labelWidths{100.0f};
std::vector<std::string> resourceNames;
Lumvek::GraphicsDevice* device = nullptr;

// Row steps 1 and 2: the row's ID, then the label column. Labels may carry "%%" for one percent sign.
void BeginRow(Lumvek::StringView label)
{
    const uint32_t id = counters.back()++;
    ImGui::PushID(static_cast<int>(id));
    if (label.length == 0)
        return;
    char shown[256];
    uint32_t length = 0;
    for (uint32_t i = 0; i < label.length && length + 1 < sizeof(shown); ++i)
    {
        shown[length++] = label.data[i];
        if (label.data[i] == '%' && i + 1 < label.length && label.data[i + 1] == '%')
            ++i;
    }
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted(shown, shown + length);
    ImGui::SameLine(labelWidths.back());
    // An editor's window keeps the size it was given and scrolls only up and down: an input as wide
    // as it asks would push its end, and the row's "-" and "+", past the right edge, where nothing
    // reaches them. There the input ends at the edge. A window that fits itself to its rows grows to
    // take them whole.
    if (!(ImGui::GetCurrentWindowRead()->Flags & ImGuiWindowFlags_AlwaysAutoResize))
        if (const float room = ImGui::GetContentRegionAvail().x; ImGui::CalcItemWidth() > room)
            ImGui::SetNextItemWidth(std::max(1.0f, room));
}

void EndRow()
{
    ImGui::PopID();
}

// The text of each number input that has been entered and not yet handed over, by the input's ImGui ID,
// kept from frame to frame: the input shows what was typed, not its value, and the text is read only
// once the maker leaves it, so that "1e" on the way to "1e5" is never taken. Each input keeps its own,
// so that an input entered in a frame, drawn before the one just left, leaves that one's text alone:
// it is handed over when its own input is next drawn. keyed says whether a key changed the text since
// the input was entered, even back to the text it had. typed is the text taken last, for the lines
// about it. Application thread only, as every widget.
struct PendingText
{
    ImGuiID id = 0;
    std::string text;
    bool keyed = false;
};
std::vector<PendingText> pendingTexts;
std::string freshText;
std::string typed;
// Set by the host for the frame in which it holds a left press back from Dear ImGui (LeftButtonDown).
bool pressHeldBack = false;
// Characters typed this frame that Dear ImGui cannot hold, for the field typed into to refuse.
std::vector<uint32_t> refusedCharacters;
// Whether the input being drawn holds one line, for a paste into it (PastedText).
bool drawingOneLine = true;

// The field being typed into, drawn, refuses the characters the host kept from Dear ImGui: a line for
// each character, with its count, in the order first met (a paste of thousands writes one line, not
// thousands).
void RefuseCharacters(Lumvek::StringView field)
{
    std::vector<std::pair<uint32_t, uint32_t>> counts;
    for (const uint32_t character : refusedCharacters)
    {
        auto found = std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == character; });
        if (found == counts.end())
            counts.emplace_back(character, 1u);
        else
            ++found->second;
    }
    for (const auto& [character, count] : counts)
    {
        char code[16];
        std::snprintf(code, sizeof(code), "U+%04X", character);
        if (count == 1)
            Lumvek::Log::Write("{}: {} was not typed: the tools hold no character past U+FFFF", field,
                               Lumvek::StringView::FromCString(code));
        else
            Lumvek::Log::Write("{}: {} was not typed ({} times): the tools hold no character past U+FFFF", field,
                               Lumvek::StringView::FromCString(code), count);
    }
    refusedCharacters.clear();
}

enum class NumberEdit
{
    None,
    Typed,
    Down,
    Up
};

bool EscapePressed()
{
    return ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Escape), false);
}

// A number input as ImGui's scalar input draws it (a text input of id, then, with steps, "-" and "+"
// buttons that repeat while held), but with the text left to the caller: ImGui's own reading keeps
// only digits and "+-*/." as they are typed (2E3 became 23) and clamps or wraps what does not fit the
// type. Left after a keystroke, the input hands over the text it shows, even one that reads as the
// value shown; entered and left untouched, or left with Escape (which puts back the value's text),
// it hands over nothing. A press the host held back that is not on the input leaves it here, so that
// the text is handed over before the press reaches what it was aimed at.
NumberEdit NumberInput(const char* id, Lumvek::StringView field, const char* shown, bool steps = true)
{
    const ImGuiStyle& style = ImGui::GetStyle();
    const float button = ImGui::GetFrameHeight();
    NumberEdit edit = NumberEdit::None;
    ImGui::BeginGroup();
    ImGui::PushID(id);
    const ImGuiID inputId = ImGui::GetID("");
    auto pending = std::find_if(pendingTexts.begin(), pendingTexts.end(),
                                [&](const PendingText& entry) { return entry.id == inputId; });
    std::string* text = &freshText;
    if (pending != pendingTexts.end())
        text = &pending->text;
    else
        freshText = shown;
    const float width = ImGui::CalcItemWidth() - (steps ? (button + style.ItemInnerSpacing.x) * 2.0f : 0.0f);
    ImGui::SetNextItemWidth(std::max(1.0f, width));
    // ImGui reports no edit when the keys of one frame (a paste, a quick typist) leave the text as it
    // was; every insertion and deletion calls this. The text grows as typed, so that a long text is
    // refused whole rather than cut.
    bool keyed = false;
    const auto onKey = [](ImGuiInputTextCallbackData* data)
    {
        *static_cast<bool*>(data->UserData) = true;
        return 0;
    };
    ImGui::InputText("", text, ImGuiInputTextFlags_AutoSelectAll | ImGuiInputTextFlags_CallbackEdit, onKey, &keyed);
    bool active = ImGui::IsItemActive();
    if (active)
        RefuseCharacters(field);
    if (active && pressHeldBack &&
        !(ImGui::IsMouseHoveringRect(ImGui::GetItemRectMin(), ImGui::GetItemRectMax()) &&
          ImGui::IsWindowHovered(ImGuiHoveredFlags_AllowWhenBlockedByActiveItem)))
    {
        ImGui::ClearActiveID();
        active = false;
    }
    if (active)
    {
        if (pending == pendingTexts.end())
            pending = pendingTexts.insert(pendingTexts.end(), PendingText{inputId, freshText, false});
        pending->keyed = pending->keyed || keyed;
    }
    else if (pending != pendingTexts.end())
    {
        // Left since it was last drawn, however: Return, Tab, a press held back above, a click, or its
        // window or panel not drawn for a frame. Escape has put back the value's text.
        if (pending->keyed && !EscapePressed())
        {
            typed = std::move(pending->text);
            edit = NumberEdit::Typed;
        }
        pendingTexts.erase(pending);
    }
    if (steps)
    {
        ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(style.FramePadding.y, style.FramePadding.y));
        ImGui::PushButtonRepeat(true);
        ImGui::SameLine(0.0f, style.ItemInnerSpacing.x);
        if (ImGui::Button("-", ImVec2(button, button)))
            edit = NumberEdit::Down;
        ImGui::SameLine(0.0f, style.ItemInnerSpacing.x);
        if (ImGui::Button("+", ImVec2(button, button)))
            edit = NumberEdit::Up;
        ImGui::PopButtonRepeat();
        ImGui::PopStyleVar();
    }
    ImGui::PopID();
    ImGui::EndGroup();
    return edit;
}

// Reads the typed text into value as a file's number is read, then by check (empty when it takes the
// number, otherwise why not). A refused text is logged with the field's name and leaves value.
template <class T, class Check> bool TakeTyped(Lumvek::StringView field, T& value, Check check)
{
    T read{};
    std::string why = Lumvek::ReadNumberText(typed, read);
    if (why.empty())
        why = check(read);
    if (why.empty())
    {
        value = read;
        return true;
    }
    Lumvek::Log::Write("{}: \"{}\" was not taken: {}", field, typed, why);
    return false;
}

struct AnyNumber
{
    std::string operator()(float) const { return {}; }
};

// FloatInput's, with a check of the typed value of the row's own.
template <class Check = AnyNumber>
bool CheckedFloatInput(const char* id, Lumvek::StringView field, float* value, float step, float fastStep, int decimals,
                       Check check = {})
{
    char shown[64];
    std::snprintf(shown, sizeof(shown), "%.*f", decimals, double(*value));
    float edited = *value;
    const float by = ImGui::GetIO().KeyCtrl ? fastStep : step;
    switch (NumberInput(id, field, shown))
    {
    case NumberEdit::Typed:
        TakeTyped(field, edited, check);
        break;
    case NumberEdit::Down:
        edited -= by;
        break;
    case NumberEdit::Up:
        edited += by;
        break;
    case NumberEdit::None:
        break;
    }
    // A step past the largest float reaches infinity, which no field can hold (the physics, the grids
    // and the files all refuse it).
    const bool changed = edited != *value && std::isfinite(edited);
    if (changed)
        *value = edited;
    return changed;
}

template <class Check = AnyNumber>
bool FloatRow(Lumvek::StringView label, Lumvek::StringView field, float* value, float step, float fastStep,
              int decimals, Check check = {})
{
    BeginRow(label);
    const bool changed = CheckedFloatInput("##Input", field, value, step, fastStep, decimals, check);
    EndRow();
    return changed;
}

// What a typed number outside [minimum, maximum] is refused with; empty within.
template <class T> std::string OutsideOf(T value, T minimum, T maximum)
{
    if (value < minimum)
        return Lumvek::FormatText("below {}", minimum);
    if (value > maximum)
        return Lumvek::FormatText("above {}", maximum);
    return {};
}

// What a typed whole number past an end of its range does: a row's is refused, as a file's would be; a
// curve's is brought to the end, as the canvas holds nothing past it.
enum class PastAnEnd
{
    Refused,
    BroughtIn,
};

bool WholeNumberInput(const char* id, Lumvek::StringView field, int64_t* value, int64_t minimum, int64_t maximum,
                      PastAnEnd pastAnEnd, bool steps = true)
{
    char shown[32];
    std::snprintf(shown, sizeof(shown), "%lld", static_cast<long long>(*value));
    int64_t edited = *value;
    const int64_t by = ImGui::GetIO().KeyCtrl ? 10 : 1;
    std::string outside;
    switch (NumberInput(id, field, shown, steps))
    {
    case NumberEdit::Typed:
        TakeTyped(field, edited,
                  [&](int64_t read)
                  {
                      outside = OutsideOf(read, minimum, maximum);
                      return pastAnEnd == PastAnEnd::Refused ? outside : std::string();
                  });
        break;
    case NumberEdit::Down:
        edited = std::max(minimum, *value - by);
        break;
    case NumberEdit::Up:
        edited = std::min(maximum, *value + by);
        break;
    case NumberEdit::None:
        break;
    }
    if (pastAnEnd == PastAnEnd::BroughtIn && !outside.empty())
    {
        edited = std::clamp(edited, minimum, maximum);
        Lumvek::Log::Write("{}: \"{}\" is {}: {} was taken", field, typed, outside, edited);
    }
    const bool changed = edited != *value;
    *value = edited;
    return changed;
}

bool WholeRow(Lumvek::StringView label, int64_t& value, int64_t minimum, int64_t maximum)
{
    BeginRow(label);
    const bool changed = WholeNumberInput("##Input", label, &value, minimum, maximum, PastAnEnd::Refused);
    EndRow();
    return changed;
}

// ImGui's combo, seven entries high, whose open list Escape closes without choosing: a click meant for
// a row below would otherwise choose the entry under it.
bool ComboOver(const std::vector<std::string>& items, int& current)
{
    const ImGuiStyle& style = ImGui::GetStyle();
    const float listHeight =
        (ImGui::GetFontSize() + style.ItemSpacing.y) * 7.0f - style.ItemSpacing.y + style.WindowPadding.y * 2.0f;
    ImGui::SetNextWindowSizeConstraints(ImVec2(0.0f, 0.0f), ImVec2(FLT_MAX, listHeight));
    const bool shown = current >= 0 && size_t(current) < items.size();
    if (!ImGui::BeginCombo("##Input", shown ? items[size_t(current)].c_str() : ""))
        return false;
    bool changed = false;
    if (EscapePressed())
        ImGui::CloseCurrentPopup();
    else
        for (size_t i = 0; i < items.size(); ++i)
        {
            ImGui::PushID(static_cast<int>(i));
            const bool selected = int(i) == current;
            if (ImGui::Selectable(items[i].c_str(), selected) && !selected)
            {
                current = static_cast<int>(i);
                changed = true;
            }
            if (selected)
                ImGui::SetItemDefaultFocus();
            ImGui::PopID();
        }
    ImGui::EndCombo();
    return changed;
}

// Sorted by bytes, the shorter of two names with equal beginnings first: std::string's own order. The
// first entries kept in place stay first.
void SortNames(std::vector<std::string>& names, size_t kept = 0)
{
    std::sort(names.begin() + std::ptrdiff_t(std::min(kept, names.size())), names.end());
}

} // namespace

void PushScope(Lumvek::StringView name)
{
    counters.push_back(0);
    ImGui::PushID(name.data, name.data + name.length);
}

void PopScope()
{
    if (counters.size() <= 1)
        return;
    ImGui::PopID();
    counters.pop_back();
}

void PushLabelWidth(float width)
{
    labelWidths.push_back(width);
}

void PopLabelWidth()
{
    if (labelWidths.size() > 1)
        labelWidths.pop_back();
}

float GetLabelWidth()
{
    return labelWidths.back();
}

void FreshId()
{
    const uint32_t id = counters.back()++;
    ImGui::PushID(static_cast<int>(id));
}

bool Button(const char* label, float width)
{
    FreshId();
    const bool pressed = ImGui::Button(label, ImVec2(width, 0.0f));
    ImGui::PopID();
    return pressed;
}

void Heading(Lumvek::StringView label, float scale)
{
    ImGui::SetWindowFontScale(scale);
    ImGui::TextUnformatted(label.data, label.data + label.length);
    ImGui::Dummy(ImVec2(0.0f, 0.0f));
    ImGui::SetWindowFontScale(1.0f);
}

void Separator()
{
    ImGui::Dummy(ImVec2(0.0f, 0.0f));
    ImGui::Separator();
    ImGui::Dummy(ImVec2(0.0f, 0.0f));
}

StackDepths GetStackDepths()
{
    return {counters.size(), labelWidths.size()};
}

bool RestoreStackDepths(const StackDepths& depths)
{
    const bool open = counters.size() > depths.scopes || labelWidths.size() > depths.labelWidths;
    while (counters.size() > std::max<size_t>(depths.scopes, 1))
        counters.pop_back();
    while (labelWidths.size() > std::max<size_t>(depths.labelWidths, 1))
        labelWidths.pop_back();
    return open;
}

bool Int(Lumvek::StringView label, int32_t* value)
{
    int64_t wide = *value;
    if (!WholeRow(label, wide, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()))
        return false;
    *value = static_cast<int32_t>(wide);
    return true;
}

bool Count(Lumvek::StringView label, uint32_t* value)
{
    int64_t wide = *value;
    if (!WholeRow(label, wide, 0, std::numeric_limits<uint32_t>::max()))
        return false;
    *value = static_cast<uint32_t>(wide);
    return true;
}

bool OptionalIndex(Lumvek::StringView label, uint32_t* value)
{
    int64_t wide = *value == Lumvek::InvalidId ? -1 : int64_t(*value);
    // All ones is "none" and cannot also be an index.
    if (!WholeRow(label, wide, -1, int64_t(Lumvek::InvalidId) - 1))
        return false;
    *value = wide < 0 ? Lumvek::InvalidId : static_cast<uint32_t>(wide);
    return true;
}

bool Float(Lumvek::StringView label, float* value)
{
    return FloatRow(label, label, value, 0.1f, 1.0f, 2);
}

bool FloatFine(Lumvek::StringView label, float* value)
{
    return FloatRow(label, label, value, 0.001f, 0.01f, 4);
}

bool FloatSmall(Lumvek::StringView label, float* value)
{
    return FloatRow(label, label, value, 0.01f, 0.1f, 3);
}

void FloatCoarse(Lumvek::StringView label, float* value)
{
    FloatRow(label, label, value, 1.0f, 10.0f, 1);
}

bool Angle(Lumvek::StringView label, float* radians)
{
    float degrees = *radians * 57.29578f;
    if (!FloatRow(label, label, &degrees, 1.0f, 15.0f, 1))
        return false;
    // As a file's "Degrees(d)" reads, so that the angle saves as the degrees typed.
    *radians = Lumvek::RadiansFromDegrees(degrees);
    return true;
}

uint32_t SecondsToTicks(double seconds)
{
    // As a file's seconds read; seconds beyond every count are the largest.
    uint32_t ticks = 0;
    if (!Lumvek::TicksFromSeconds(seconds, ticks))
        return seconds > 0.0 ? std::numeric_limits<uint32_t>::max() : 0;
    return ticks;
}

bool RateToTicks(double hertz, uint32_t& ticks)
{
    if (!(hertz > 0.0) || !std::isfinite(hertz))
        return false;
    // A period past the longest duration has no count: taking the longest would change the rate.
    if (std::round(Lumvek::TicksPerSecond / hertz) > double(std::numeric_limits<uint32_t>::max()))
        return false;
    ticks = std::max<uint32_t>(1, SecondsToTicks(1.0 / hertz));
    return true;
}

namespace
{

constexpr uint32_t LongestDuration = std::numeric_limits<uint32_t>::max();

// The text of a value that stands for a count of ticks, worked in double: three decimals, or as many
// more as it takes for the text to read back through read as the same count. A float holds no single
// tick past 2^24 of them, so its text stood for another count; every count's seconds read back at
// three, and a slow rate needs more (0.009 Hz would be 6667 ticks, not 7000).
std::string TicksText(double value, uint32_t ticks, std::string (*read)(Lumvek::StringView, uint32_t&))
{
    // Twenty decimals reach the slowest rate, one period of the longest duration, with room to spare.
    char text[48];
    for (int decimals = 3;; ++decimals)
    {
        const int length = std::snprintf(text, sizeof(text), "%.*f", decimals, value);
        const Lumvek::StringView shown(text, uint32_t(std::clamp(length, 0, int(sizeof(text)) - 1)));
        uint32_t back = 0;
        if (decimals >= 20 || (read(shown, back).empty() && back == ticks))
            return text;
    }
}

// What a tick row shows, how it reads a typed text, and where its "-" and "+" (up) go, with Ctrl held
// or not.
struct TickForm
{
    std::string (*show)(uint32_t ticks);
    std::string (*read)(Lumvek::StringView text, uint32_t& ticks);
    uint32_t (*step)(uint32_t ticks, bool up, bool fast);
};

// A row over a count of ticks, which is never carried in a float: the text shown and taken back is the
// same count, and the steps move it by whole ticks.
bool TickRow(Lumvek::StringView label, uint32_t* ticks, const TickForm& form)
{
    BeginRow(label);
    uint32_t edited = *ticks;
    const bool fast = ImGui::GetIO().KeyCtrl;
    switch (NumberInput("##Input", label, form.show(*ticks).c_str()))
    {
    case NumberEdit::Typed:
        if (const std::string why = form.read(typed, edited); !why.empty())
            Lumvek::Log::Write("{}: \"{}\" was not taken: {}", label, typed, why);
        break;
    case NumberEdit::Down:
        edited = form.step(*ticks, false, fast);
        break;
    case NumberEdit::Up:
        edited = form.step(*ticks, true, fast);
        break;
    case NumberEdit::None:
        break;
    }
    EndRow();
    const bool changed = edited != *ticks;
    *ticks = edited;
    return changed;
}

} // namespace

std::string SecondsText(uint32_t ticks)
{
    return TicksText(double(ticks) / Lumvek::TicksPerSecond, ticks, ReadSeconds);
}

std::string ReadSeconds(Lumvek::StringView text, uint32_t& ticks)
{
    double seconds = 0.0;
    if (std::string why = Lumvek::ReadNumberText(text, seconds); !why.empty())
        return why;
    if (seconds < 0.0)
        return "below 0";
    if (std::round(seconds * Lumvek::TicksPerSecond) > double(LongestDuration))
        return "beyond the longest duration";
    ticks = SecondsToTicks(seconds);
    return {};
}

uint32_t StepSeconds(uint32_t ticks, bool up, bool fast)
{
    const uint32_t by = fast ? Lumvek::TicksPerSecond : Lumvek::TicksPerSecond / 10;
    if (up)
        return LongestDuration - ticks < by ? LongestDuration : ticks + by;
    return ticks < by ? 0 : ticks - by;
}

std::string RateText(uint32_t ticks)
{
    // No rate has a period of 0 ticks to read back as.
    return ticks == 0 ? std::string("0.000") : TicksText(Lumvek::TicksPerSecond / double(ticks), ticks, ReadRate);
}

std::string ReadRate(Lumvek::StringView text, uint32_t& ticks)
{
    double hertz = 0.0;
    if (std::string why = Lumvek::ReadNumberText(text, hertz); !why.empty())
        return why;
    if (!(hertz > 0.0))
        return "not above 0";
    if (!RateToTicks(hertz, ticks))
        return "its period is beyond the longest duration";
    return {};
}

uint32_t StepRate(uint32_t ticks, bool faster, bool fast)
{
    const double by = fast ? 1.0 : 0.1;
    const double rate = ticks == 0 ? 0.0 : Lumvek::TicksPerSecond / double(ticks);
    uint32_t stepped = ticks;
    if (RateToTicks(faster ? rate + by : rate - by, stepped) && stepped != ticks)
        return stepped;
    // From 3.5 Hz up a tenth of a hertz is less than a tick, and below a tenth of a hertz a slower step
    // leaves no rate: then the neighbouring period, whose text differs, as each count's text is its own.
    if (ticks == 0)
        return ticks;
    if (faster)
        return std::max<uint32_t>(1, ticks - 1);
    return ticks == LongestDuration ? ticks : ticks + 1;
}

bool FramesAsSeconds(Lumvek::StringView label, uint32_t* ticks)
{
    return TickRow(label, ticks, {SecondsText, ReadSeconds, StepSeconds});
}

bool FramesAsRate(Lumvek::StringView label, uint32_t* ticks)
{
    return TickRow(label, ticks, {RateText, ReadRate, StepRate});
}

bool Vector2(Lumvek::StringView label, Lumvek::Vector2* value)
{
    const bool x = Float(label, &value->x);
    const bool y = FloatRow(" ", Lumvek::FormatText("{} (y)", label), &value->y, 0.1f, 1.0f, 2);
    return x || y;
}

bool Text(Lumvek::StringView label, std::string* value)
{
    BeginRow(label);
    const bool changed = TextInput("##Input", label, value);
    EndRow();
    return changed;
}

bool TextInput(const char* id, Lumvek::StringView field, std::string* value, float height)
{
    // Dear ImGui as Debian builds it edits a text as 16-bit characters up to its first zero byte: a
    // character past U+FFFF, a byte that is not UTF-8 or a zero byte would come back replaced or cut.
    // Such a text is shown, not edited.
    bool whole = true;
    for (const char* at = value->data(); whole && at < value->data() + value->size();)
    {
        unsigned int character = 0;
        const int length = ImTextCharFromUtf8(&character, at, value->data() + value->size());
        char encoded[5];
        ImTextCharToUtf8(encoded, character);
        whole = character != 0 && character <= 0xFFFF && std::strlen(encoded) == size_t(length) &&
                std::memcmp(encoded, at, size_t(length)) == 0;
        at += std::max(length, 1);
    }
    const ImGuiInputTextFlags flags = whole ? ImGuiInputTextFlags_None : ImGuiInputTextFlags_ReadOnly;
    drawingOneLine = !(height > 0.0f);
    const bool changed = drawingOneLine ? ImGui::InputText(id, value, flags)
                                        : ImGui::InputTextMultiline(id, value, ImVec2(0.0f, height), flags);
    drawingOneLine = true;
    if (ImGui::IsItemActive())
        RefuseCharacters(field);
    if (!whole && ImGui::IsItemHovered())
        ImGui::SetTooltip("This text holds characters the tools cannot keep: edit it in its file.");
    return changed;
}

bool Combo(Lumvek::StringView label, uint32_t* index, const std::vector<std::string>& items)
{
    BeginRow(label);
    int current = *index < items.size() ? static_cast<int>(*index) : -1;
    const bool changed = ComboOver(items, current) && current >= 0;
    if (changed)
        *index = static_cast<uint32_t>(current);
    EndRow();
    return changed;
}

bool Color(Lumvek::StringView label, Lumvek::Color* value)
{
    BeginRow(label);
    const ImGuiStyle& style = ImGui::GetStyle();
    const float swatch = ImGui::GetFrameHeight();
    const float channelWidth = (ImGui::CalcItemWidth() - swatch - 4.0f * style.ItemInnerSpacing.x) / 4.0f;
    bool changed = false;

    // The swatch opens a picker for the mouse; the channels are typed in the four inputs beside it, so
    // the picker has no inputs of its own, which would read typed text ImGui's way.
    ImGui::PushID("##Picker");
    float channels[4] = {value->r / 255.0f, value->g / 255.0f, value->b / 255.0f, value->a / 255.0f};
    const ImGuiColorEditFlags previewFlags = ImGuiColorEditFlags_AlphaPreviewHalf;
    if (ImGui::ColorButton("##ColorButton", ImVec4(channels[0], channels[1], channels[2], channels[3]), previewFlags))
        ImGui::OpenPopup("picker");
    if (ImGui::BeginPopup("picker"))
    {
        if (ImGui::ColorPicker4("##picker", channels,
                                previewFlags | ImGuiColorEditFlags_AlphaBar | ImGuiColorEditFlags_NoInputs |
                                    ImGuiColorEditFlags_NoLabel))
        {
            Lumvek::Color picked;
            Lumvek::Color::ToBytes(channels, picked);
            changed = picked != *value;
            *value = picked;
        }
        ImGui::EndPopup();
    }
    ImGui::PopID();

    // Each channel reads as a count does, from 0 to 255.
    static const char* const ids[4] = {"##Red", "##Green", "##Blue", "##Alpha"};
    static const char* const names[4] = {"red", "green", "blue", "alpha"};
    uint8_t* const bytes[4] = {&value->r, &value->g, &value->b, &value->a};
    ImGui::PushItemWidth(std::max(1.0f, channelWidth));
    for (int i = 0; i < 4; ++i)
    {
        ImGui::SameLine(0.0f, style.ItemInnerSpacing.x);
        int64_t channel = *bytes[i];
        char field[288];
        const int length = std::snprintf(field, sizeof(field), "%.*s (%s)", int(label.length), label.data, names[i]);
        const Lumvek::StringView fieldName(field, uint32_t(std::clamp(length, 0, int(sizeof(field)) - 1)));
        if (WholeNumberInput(ids[i], fieldName, &channel, 0, 255, PastAnEnd::Refused, false))
        {
            *bytes[i] = static_cast<uint8_t>(channel);
            changed = true;
        }
        if (ImGui::IsItemHovered())
            ImGui::SetTooltip("%s", names[i]);
    }
    ImGui::PopItemWidth();
    EndRow();
    return changed;
}

bool TextureName(Lumvek::StringView label, uint32_t* textureSlot, const std::vector<std::string>& names)
{
    resourceNames.assign(1, "none");
    resourceNames.insert(resourceNames.end(), names.begin(), names.end());
    SortNames(resourceNames, 1);
    int selected = 0;
    if (*textureSlot != Lumvek::InvalidId)
    {
        // A name the list lacks (one its file held and that was refused) shows as no entry.
        const std::string current = Lumvek::NameTableC().GetName(*textureSlot).ToString();
        const auto found = std::find(resourceNames.begin() + 1, resourceNames.end(), current);
        selected = found == resourceNames.end() ? -1 : static_cast<int>(found - resourceNames.begin());
    }
    BeginRow(label);
    const bool changed = ComboOver(resourceNames, selected) && selected >= 0;
    if (changed)
        *textureSlot = selected == 0 ? Lumvek::InvalidId : Lumvek::NameTableC().Add(resourceNames[size_t(selected)]);
    EndRow();
    return changed;
}

bool RegionName(Lumvek::StringView label, uint32_t textureSlot, uint32_t* regionName)
{
    resourceNames.clear();
    if (const Lumvek::Texture* texture = device ? device->GetTexture(textureSlot) : nullptr)
        for (size_t position = 1; position < texture->regions.size(); ++position)
            if (texture->regions[position])
                resourceNames.push_back(Lumvek::NameTableA().GetName(uint32_t(position - 1)).ToString());
    SortNames(resourceNames);
    const std::string current = Lumvek::NameTableA().GetName(*regionName).ToString();
    const auto found = std::find(resourceNames.begin(), resourceNames.end(), current);
    int selected = found == resourceNames.end() || *regionName == Lumvek::InvalidId
                       ? -1
                       : static_cast<int>(found - resourceNames.begin());
    BeginRow(label);
    const bool changed = ComboOver(resourceNames, selected) && selected >= 0;
    if (changed)
        *regionName = Lumvek::NameTableA().Add(resourceNames[size_t(selected)]);
    EndRow();
    return changed;
}

void TexturePreview(uint32_t textureSlot, uint32_t region, float size, std::vector<Lumvek::Vector2>* polygon)
{
    const Lumvek::Texture* texture = device ? device->GetTexture(textureSlot) : nullptr;
    if (!texture)
        return;
    float regionWidth = float(texture->width);
    float regionHeight = float(texture->height);
    Lumvek::UvRectangle uv{0.0f, 0.0f, 1.0f, 1.0f};
    const bool loaded =
        region != Lumvek::InvalidId && size_t(region) + 1 < texture->regions.size() && texture->regions[region + 1];
    // A definition the match did not load has no region yet: the whole atlas in its place would pass
    // for its image, and a shape drawn over it would fit nothing.
    if (region != Lumvek::InvalidId && !loaded)
    {
        ImGui::TextDisabled("%s is not loaded", Lumvek::NameTableA().GetName(region).ToString().c_str());
        return;
    }
    if (loaded)
    {
        const Lumvek::TextureRegion& found = *texture->regions[region + 1];
        regionWidth = float(found.width);
        regionHeight = float(found.height);
        uv = found.uv;
    }
    if (!(regionWidth > 0.0f) || !(regionHeight > 0.0f))
        return;
    ImVec2 shown(regionWidth, regionHeight);
    if (size < 0.0f)
        shown = ImVec2(-size * ImGui::CalcItemWidth(), regionHeight * (-size * ImGui::CalcItemWidth()) / regionWidth);
    else if (size > 0.0f)
        shown = ImVec2(size, size * regionHeight / regionWidth);
    ImGui::Image(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(textureSlot)), shown, ImVec2(uv.x, uv.y),
                 ImVec2(uv.x + uv.width, uv.y + uv.height), ImVec4(1.0f, 1.0f, 1.0f, 1.0f),
                 ImVec4(1.0f, 1.0f, 1.0f, 0.50196f));
    Tools* tools = Tools::Current();
    if (!polygon || !tools || !ImGui::IsItemHovered() || !ImGui::IsMouseClicked(ImGuiMouseButton_Right))
        return;
    const std::string textureName = Lumvek::NameTableC().GetName(textureSlot).ToString();
    const std::string name = region == Lumvek::InvalidId ? Lumvek::FormatText("{} Polygon", textureName)
                                                         : Lumvek::FormatText("{}:{} Polygon", textureName,
                                                                              Lumvek::NameTableA().GetName(region));
    tools->OpenWindow(name, std::make_unique<PolygonInspector>(textureSlot, region, polygon));
}

void DefinitionImage(Lumvek::StringView name, uint32_t image, std::vector<Lumvek::Vector2>* shape)
{
    ImGui::TextUnformatted("Image");
    if (image == Lumvek::InvalidId)
    {
        ImGui::TextDisabled("%s is not loaded", name.ToString().c_str());
        return;
    }
    TexturePreview(GraphicsResources::WorldAtlas, image, -0.48f, shape);
    ImGui::SameLine();
    TexturePreview(GraphicsResources::DrawAtlas, image, -1.0f);
}

bool RangedValue(float* value, float minimum, float maximum)
{
    const float range = maximum - minimum;
    float step = 0.01f;
    int decimals = 2;
    if (range >= 20.0f)
        step = 1.0f, decimals = 1;
    else if (range >= 1.0f)
        step = 0.1f, decimals = 1;
    const float fastStep = 10.0f * step;
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted("Value");
    ImGui::SameLine(labelWidths.back());
    return FloatInput("##ValueInput", "Value", value, minimum, maximum, step, fastStep, decimals);
}

bool FloatInput(const char* id, Lumvek::StringView field, float* value, float minimum, float maximum, float step,
                float fastStep, int decimals)
{
    // The canvas holds no key outside its range: a typed number past an end is brought to that end, as a
    // step is, and the line says so.
    std::string outside;
    const auto note = [&](float read)
    {
        outside = OutsideOf(read, minimum, maximum);
        return std::string();
    };
    if (!CheckedFloatInput(id, field, value, step, fastStep, decimals, note))
        return false;
    *value = std::clamp(*value, minimum, maximum);
    if (!outside.empty())
        Lumvek::Log::Write("{}: \"{}\" is {}: {} was taken", field, typed, outside, *value);
    return true;
}

bool WholeInput(const char* id, Lumvek::StringView field, int64_t* value, int64_t minimum, int64_t maximum)
{
    return WholeNumberInput(id, field, value, minimum, maximum, PastAnEnd::BroughtIn);
}

bool InvisibleButton(const char* id, float width, float height)
{
    const float w = std::isfinite(width) ? std::max(width, 1.0f) : 1.0f;
    const float h = std::isfinite(height) ? std::max(height, 1.0f) : 1.0f;
    return ImGui::InvisibleButton(id, ImVec2(w, h));
}

bool IsTypingNumber()
{
    const ImGuiID active = ImGui::GetActiveID();
    return active != 0 && std::any_of(pendingTexts.begin(), pendingTexts.end(),
                                      [&](const PendingText& entry) { return entry.id == active; });
}

bool LeftButtonDown(bool down)
{
    if (pressHeldBack)
    {
        pressHeldBack = false;
        return true;
    }
    pressHeldBack = down && !ImGui::GetIO().MouseDown[ImGuiMouseButton_Left] && IsTypingNumber();
    return down && !pressHeldBack;
}

void TypeCharacter(uint32_t codePoint)
{
    if (codePoint > IM_UNICODE_CODEPOINT_MAX)
        refusedCharacters.push_back(codePoint);
    else
        ImGui::GetIO().AddInputCharacter(codePoint);
}

std::string PastedText(const std::string& text)
{
    std::string pasted;
    // Line breaks or tabs met since the last character kept.
    bool apart = false;
    // Dear ImGui takes the paste as a C string, which a NUL would end: each is left out, named, and the
    // text after it kept.
    std::u32string characters;
    uint32_t nulls = 0;
    for (size_t start = 0; start <= text.size(); ++nulls)
    {
        const size_t end = std::min(text.find('\0', start), text.size());
        characters += Lumvek::DecodeText(text.substr(start, end - start).c_str());
        start = end + 1;
    }
    --nulls;
    for (const char32_t character : characters)
    {
        if (character > IM_UNICODE_CODEPOINT_MAX)
        {
            refusedCharacters.push_back(character);
            continue;
        }
        // A multi-line field takes no tab (Dear ImGui drops it): a space keeps the words apart.
        if (!drawingOneLine && character == '\t')
        {
            pasted += ' ';
            continue;
        }
        if (drawingOneLine && (character == '\n' || character == '\r' || character == '\t'))
        {
            apart = !pasted.empty();
            continue;
        }
        if (apart && pasted.back() != ' ' && character != ' ')
            pasted += ' ';
        apart = false;
        char encoded[5];
        pasted += ImTextCharToUtf8(encoded, character);
    }
    if (nulls > 0)
        Lumvek::Log::Write("the paste held {} NUL byte(s), which were left out; the text after them is kept", nulls);
    return pasted;
}

void EndFrame()
{
    refusedCharacters.clear();
}

void ForgetEdits()
{
    pendingTexts.clear();
    pressHeldBack = false;
    refusedCharacters.clear();
}

void SetDevice(Lumvek::GraphicsDevice* graphicsDevice)
{
    device = graphicsDevice;
}

} // namespace PropertyInput
