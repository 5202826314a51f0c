// Loading a model file into the document and writing the document to a
// file, the way Open, Save, autosave and restore do it.
//
// LoadDocumentFile: LoadModelFile + conversion into an empty document, with
// the stage texts "Loading %s" and "Completed" and the open flags the
// program reports from. SaveDocumentFile: conversion from the document +
// SaveModelFile (the format follows the path's extension; the previous file
// survives a failed write).
#pragma once

#include <cstdint>
#include <string>

#include "core/document.h"
#include "core/progress_monitor.h"
#include "core/status.h"

namespace torvane {

// Open flags.
inline constexpr uint32_t kOpenFailed = 1;
inline constexpr uint32_t kOpenNoMeshes = 4;
inline constexpr uint32_t kOpenTooLarge = 16;

// Loads `path` into `doc`, which must hold no object (otherwise Failed with
// no flags). `restore` reads an autosave file: the document takes the path,
// type, untitled flag and modified state recorded in it. A plain load
// records `path` and its type. A cancelled load leaves no object behind.
LoadResult LoadDocumentFile(Document& doc, ProgressMonitor& monitor, const std::string& path,
                            bool restore, uint32_t& flags);

// Writes the live objects of `doc` to `path`. `autosave` records the
// document's file state in the file (TVX). Document flags are not touched.
// 0 written, 1 cancelled, 2 failed.
int SaveDocumentFile(const Document& doc, ProgressMonitor& monitor, const std::string& path,
                     bool autosave);

// Triangles of all live objects.
uint64_t TriangleTotal(const Document& doc);
// Some live object has at least one triangle.
bool HasObjects(const Document& doc);
// The document or any object (dead ones included) carries a change not yet saved.
bool IsModified(const Document& doc);

}  // namespace torvane
