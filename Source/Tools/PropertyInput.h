#pragma once

#include "Engine/Foundation/Color.h"
#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/StringView.h"
#include "Engine/Foundation/Tick.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Lumvek
{
class GraphicsDevice;
}

// The labelled one-line widgets with which the editors and inspectors show and edit values: a label
// in a left column of fixed width and a Dear ImGui input to its right. Two program-wide stacks keep
// panels stable: ID counters number the rows of a scope, so that rows with the same label never share
// an ImGui ID, and label widths align the inputs. Application thread only, inside a window the tools
// host has begun. Value widgets return true when the user changed the value this frame.
namespace PropertyInput
{

// Scopes and layout.
void PushScope(Lumvek::StringView name);
// Pops only a scope PushScope opened: the outermost counter, and ImGui's own IDs, are never popped.
void PopScope();
void PushLabelWidth(float width);
// Leaves the outermost width in place.
void PopLabelWidth();
// Pushes the scope's next counter as an ImGui ID, for a plain item of a panel; pop it with
// ImGui::PopID after the item.
void FreshId();
// A button in the scope's next ID: -1 wide spans the panel, 0 fits the label.
bool Button(const char* label, float width = -1.0f);
void Heading(Lumvek::StringView label, float scale);
void Separator();

// How deep both stacks are; the host restores them after a panel that left scopes open.
struct StackDepths
{
    size_t scopes = 0;
    size_t labelWidths = 0;
};
StackDepths GetStackDepths();
// Pops scopes and widths down to the depths (ImGui's ID stack is the host's to restore); returns
// whether anything was left open.
bool RestoreStackDepths(const StackDepths& depths);
float GetLabelWidth();

// Value widgets. A number row takes a typed text when the maker leaves the field, read whole as a
// file's number is (ReadNumberText: decimal digits, a sign, a point, an exponent): "2E3" is 2000.0,
// "-010" is -10. A text that is not wholly a number, or is outside the row's range, is refused with a
// log line naming the field and the text, and the value stays as it was. The step buttons stop at the
// ends of the range; a float row never takes a number that is not finite.
bool Int(Lumvek::StringView label, int32_t* value);
// An unsigned count, from 0 to 4294967295.
bool Count(Lumvek::StringView label, uint32_t* value);
// An index where all ones means none, shown and entered as -1.
bool OptionalIndex(Lumvek::StringView label, uint32_t* value);
bool Float(Lumvek::StringView label, float* value);
bool FloatFine(Lumvek::StringView label, float* value);
bool FloatSmall(Lumvek::StringView label, float* value);
void FloatCoarse(Lumvek::StringView label, float* value);
// Radians shown in degrees; a change is stored within [0, 2 pi).
bool Angle(Lumvek::StringView label, float* radians);
// Ticks shown as seconds (SecondsText); typed seconds become the nearest tick, sixty to the second, as
// a file's seconds read, and the steps are a tenth of a second (a second with Ctrl) in whole ticks.
// Seconds below 0 or beyond the largest count are refused.
bool FramesAsSeconds(Lumvek::StringView label, uint32_t* ticks);
// Ticks shown as a rate in hertz (RateText; 0 ticks shows 0); a typed rate becomes the nearest tick of
// its period. A rate of 0 or less, or one whose period is beyond the largest count, is refused, and a
// rate faster than one a tick is stored as one tick. The steps: StepRate.
bool FramesAsRate(Lumvek::StringView label, uint32_t* ticks);
bool Vector2(Lumvek::StringView label, Lumvek::Vector2* value);
// Edits the whole text as it is typed, however long; Escape puts back the text it held when entered.
// A text the input could not give back byte for byte (a character past U+FFFF, bytes that are not
// UTF-8, a zero byte) is shown and not edited, and such a character typed is refused with a line
// naming the field (TypeCharacter).
bool Text(Lumvek::StringView label, std::string* value);
// Text's input of id without a row, named field in its lines, several lines of the height in pixels
// when it is above 0.
bool TextInput(const char* id, Lumvek::StringView field, std::string* value, float height = 0.0f);
bool Combo(Lumvek::StringView label, uint32_t* index, const std::vector<std::string>& items);
bool Color(Lumvek::StringView label, Lumvek::Color* value);

// Resource pickers. The texture names list "none" (no texture: InvalidId) and then the names given,
// sorted: those of the images that can load where the value is used. A region picker lists the regions
// of the device's texture, sorted, or nothing when it is not loaded.
bool TextureName(Lumvek::StringView label, uint32_t* textureSlot, const std::vector<std::string>& names);
bool RegionName(Lumvek::StringView label, uint32_t textureSlot, uint32_t* regionName);
// Draws the region (all ones: the whole texture) as an image: a negative size is a fraction of the
// item width, a positive one the width in pixels, 0 the region's own size. Draws nothing for a texture
// that is not loaded. With a shape given, a right click on the image opens a polygon window on it.
void TexturePreview(uint32_t textureSlot, uint32_t region, float size, std::vector<Lumvek::Vector2>* polygon = nullptr);
// The "Image" row of a weapon or item definition: its image in the world atlas (a right click opens
// the polygon window on the shape) beside its image in the draw atlas. A definition the match did not
// load has no image id yet, and reads "<name> is not loaded" instead of passing the whole atlas off as
// its image.
void DefinitionImage(Lumvek::StringView name, uint32_t image, std::vector<Lumvek::Vector2>* shape);
// "Value" kept within [minimum, maximum], with steps that suit the range: a typed value outside is
// brought to the nearer end with a line, a step stops there.
bool RangedValue(float* value, float minimum, float maximum);
// A number input of id without a row, for a caller that draws its own label: it reads what is typed as
// the rows do (a text that is not wholly a number is refused with a line naming field), and brings a
// typed value or a step outside [minimum, maximum] to the nearer end, a typed one with a line.
bool FloatInput(const char* id, Lumvek::StringView field, float* value, float minimum, float maximum, float step,
                float fastStep, int decimals);
bool WholeInput(const char* id, Lumvek::StringView field, int64_t* value, int64_t minimum, int64_t maximum);

// A zero-size invisible button aborts Dear ImGui as Debian builds it; this one is at least one pixel
// on each side.
bool InvisibleButton(const char* id, float width, float height);

// The host's part in a frame, called by it around Dear ImGui's. Dear ImGui hands a press to the
// first widget under it, and a tree node's arrow, a tab, a header or a combo acts at once: a number
// field typed into below it would not be drawn again to hand its text over. So no press reaches Dear
// ImGui while one is typed into: LeftButtonDown, given the device's left button before the frame,
// holds a new press back for that frame (false), in which the field, drawn, is left unless the press
// is on it, and hands its text over; the press reaches Dear ImGui in the next frame (true).
bool LeftButtonDown(bool down);
// Whether a number field holds a text typed and not yet handed over, and is Dear ImGui's active item.
bool IsTypingNumber();
// Gives Dear ImGui a typed character. The packaged Dear ImGui holds 16-bit characters and would type
// U+FFFD for one past U+FFFF: that one is kept back, and the field typed into refuses it with a line
// naming the field, the rest of the text kept.
void TypeCharacter(uint32_t codePoint);
// The clipboard's text as a paste gives it to the field being drawn, read as typed text is: bytes
// that are not UTF-8 are dropped, and a character past U+FFFF is kept back for the field to refuse
// with TypeCharacter's line. In a one-line field each run of line breaks and tabs between words
// becomes one space (none at either end), so that lines pasted together keep their words apart; in a
// field of several lines a tab becomes a space. A NUL byte, which would end the text Dear ImGui takes,
// is left out with a line, and the text after it kept.
std::string PastedText(const std::string& text);
// After Dear ImGui's frame: characters no field took are dropped, as Dear ImGui drops them.
void EndFrame();
// The host's Dear ImGui goes: a text typed and not handed over is dropped with it, so that no field of
// a later one shows it or takes it.
void ForgetEdits();

// The device the resource pickers read; set by the tools host.
void SetDevice(Lumvek::GraphicsDevice* device);

// The texts, readings and steps of the two duration rows. A text shows the count in double, with three
// decimals or as many more as it takes to read back as the same count; a reading is empty when it
// takes the text into ticks (written only then), otherwise why not.
std::string SecondsText(uint32_t ticks);
std::string ReadSeconds(Lumvek::StringView text, uint32_t& ticks);
// Six ticks, sixty when fast, stopping at 0 and at the largest count.
uint32_t StepSeconds(uint32_t ticks, bool up, bool fast);
std::string RateText(uint32_t ticks);
std::string ReadRate(Lumvek::StringView text, uint32_t& ticks);
// To the period nearest the rate a tenth of a hertz (a hertz when fast) faster or slower, or, where
// that is the same period or no rate, to the neighbouring period, so that a step always changes the
// rate shown while there is a period left that way.
uint32_t StepRate(uint32_t ticks, bool faster, bool fast);
// Seconds as the nearest whole tick, sixty to the second: 0 for none, the largest count beyond it.
uint32_t SecondsToTicks(double seconds);
// False for a rate that is not a positive number, or whose period is beyond the largest count.
bool RateToTicks(double hertz, uint32_t& ticks);

} // namespace PropertyInput
