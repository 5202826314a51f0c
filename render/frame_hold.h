// Held view frames: while a long operation runs on the UI thread its progress
// window pumps events, and a view repainted from that pump would read a
// document the operation is half-way through changing (and could build
// render arrays of it, clearing change flags too early). While frames are
// held every view shows its last finished frame and reads nothing of the
// document; the last release asks every view to draw the new state.
#pragma once

namespace torvane {

class SceneViews;

// Holds nest; each hold needs its release.
void HoldViewFrames();
void ReleaseViewFrames();
bool ViewFramesHeld();

// The views that the last release redraws (SceneViews registers itself).
void AddHeldFrameViews(SceneViews* views);
void RemoveHeldFrameViews(SceneViews* views);

}  // namespace torvane
