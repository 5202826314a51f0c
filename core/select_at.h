// The selection step of a left click: how a pick changes the selection.
//
// Input: the document and a finished pick (PickScene) of the current
// selection mode, and whether Shift or Control is held. Output: the selection
// list, the objects' selected flags and selection records (whole-object
// records in object mode; face, triangle, edge and vertex records otherwise,
// a second click on the same element removing it), history entries and the
// document's force-history flag.
#pragma once

#include <vector>

#include "core/document.h"
#include "core/pick.h"
#include "core/selection_record.h"

namespace torvane {

struct ClickResult {
  bool hit = false;      // an object was hit (and the selection step ran)
  bool changed = false;  // the selection changed
};

// `keepSelection`: Shift or Control held, so the click adds to the selection
// (or removes a selected element) instead of replacing it. Identify picks
// (kind 5) and cancelled picks change nothing.
ClickResult ApplyPickToSelection(Document& doc, PickRequest& request, bool keepSelection);

// The selection records a hit makes for `object`: one per triangle of the
// face in face mode, else one of the request's kind. Empty in object mode or
// when the hit names no triangle.
std::vector<SelectionRecord> PickedElementRecords(const SceneObject& object,
                                                  const PickRequest& request);

// Two element records name the same element: the same three vertex indices
// in any order. Whole-object records name no element.
bool SameElement(const SelectionRecord& a, const SelectionRecord& b);

}  // namespace torvane
