#pragma once

#include <cstdint>

namespace Lumvek
{
class Geometry;
class GraphicsDevice;
class Gui;
} // namespace Lumvek

// Front-end text and outlines: bytes R 0x41, G 0x40, B 0x42, A 0xFF.
inline constexpr uint32_t InkColor = 0xFF424041;

// The materials, geometries, fonts and textures every screen is drawn with, made in two steps so
// that the splash can be drawn while the rest loads.
namespace UiResources
{

// At the game system's set-up, on the application thread: gives the Gui its three drawing materials
// and makes them, the transition geometries and the splash's logo. Materials and textures load
// through the device's resource table, and reload as their files change when the table watches.
void LoadBasic(Lumvek::Gui& gui, Lumvek::GraphicsDevice& device);
// On the start-up loader thread: the remaining materials, the page's material, the transition's
// target at the device's size, the fonts, the logos, the paper and the atlases. Creation goes
// through the device under its mutex.
void Load(Lumvek::GraphicsDevice& device);
// Keeps the transition's target a colour target of the back buffer's size. The device resizes its
// targets when the window changes size; a target made on the loader thread from a size read just
// before such a change, or changed by anything else, is put right on the next frame. Application
// thread, every frame; cheap when nothing changed.
void FitTransitionTarget(Lumvek::GraphicsDevice& device);

} // namespace UiResources

// The resource-table ids of the geometries the transitions write and read (their device slots are
// GraphicsResources'). Named once on the application thread, before any loader thread adds names:
// Get is first called by the UI set-up.
struct TransitionGeometryIds
{
    uint32_t colorTransitionVertices = 0;
    uint32_t quadIndices = 0;
    uint32_t pageConstants = 0;
    uint32_t pageVertices = 0;
    uint32_t pageIndices = 0;

    static const TransitionGeometryIds& Get();
};

// The page mesh's quads: 16 columns by 9 rows, four vertices each.
inline constexpr uint32_t PageColumns = 16;
inline constexpr uint32_t PageRows = 9;
inline constexpr uint32_t PageVertexCount = PageColumns * PageRows * 4;
// Indices of one face of the page.
inline constexpr uint32_t PageFaceIndexCount = PageColumns * PageRows * 6;

// Page transitions one frame can draw. Draws have no base vertex, so each page of a frame has its
// own copy of the indices, pointing at the vertices it appended after those of the pages before it.
inline constexpr uint32_t PagesPerFrame = 4;
inline constexpr uint32_t PageIndexCount = PageFaceIndexCount * 2 * PagesPerFrame;

// Fills the page's index list: every quad once with front winding, then again with the opposite
// winding, so that the back of the page can be drawn with its own texture; then the same for each
// further page of a frame, PageVertexCount vertices on.
void BuildPageIndices(uint16_t (&out)[PageIndexCount]);

// Creates the geometries the transitions write and read: the colour quad, its six indices, the page
// constants and vertices (refilled every frame) and the page indices (built once). Application
// thread, at UI set-up. Geometries that exist already are kept. False when one could not be made.
bool CreateTransitionGeometries(Lumvek::GraphicsDevice& device);

// The geometry of a resource-table id, looked up under the device mutex (loader threads add to the
// table); null when there is none.
Lumvek::Geometry* FindGeometry(Lumvek::GraphicsDevice& device, uint32_t id);
