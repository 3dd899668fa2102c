#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "raster/CoverageSet.h"

namespace corvalin {

class VEMRenderParag;
struct VEMRenderParagObject;
struct VEMRenderLineObject;

// The formatted text around the page. The view owns a chain of units (paragraphs, or source
// lines in "Original" mode); a unit owns its lines, a line its words. All lists are intrusive
// and doubly linked, and an owner deletes its children.

// One word placed on a line, with its coverage masks once rendered. Horizontal values are in
// supersampled pixels and `x` includes the left margin.
struct VEMRenderWordObject {
    bool rendered = false;
    VEMRenderWordObject* next = nullptr;
    VEMRenderWordObject* prev = nullptr;
    VEMRenderLineObject* line = nullptr;
    CoverageSet coverage;  // the masks per vertical phase, with their ready bytes
    int32_t screenX = 0;   // screen pixels
    int32_t x = 0;
    int32_t width = 0;
    int32_t spaceRun = 0;  // columns of a space item while "Original" lines are built; 0 for text
    std::u16string text;
    uint32_t colour = 0;  // 0x00BBGGRR
};

struct VEMRenderScreenLine {
    VEMRenderLineObject* line = nullptr;
};

constexpr int32_t kWaveNotPlaced = 2147483647;

struct VEMRenderScreenLineWave {
    VEMRenderLineObject* line = nullptr;
    int32_t screenRow = kWaveNotPlaced;  // page row of the line's top on screen
    uint8_t flag = 0;
};

// One display line. `y` is the page row of its top; the text box is [y + textTop, y + textBottom).
struct VEMRenderLineObject {
    int32_t renderedWords = 0;
    VEMRenderLineObject* next = nullptr;
    VEMRenderLineObject* prev = nullptr;
    VEMRenderParagObject* unit = nullptr;
    VEMRenderWordObject* firstWord = nullptr;
    VEMRenderWordObject* lastWord = nullptr;
    int32_t height = 0;
    int32_t textTop = 0;
    int32_t textBottom = 0;
    int32_t y = 0;
    int32_t startOffset = 0;
    int32_t endOffset = 0;
    int32_t wordsWidth = 0;
    int32_t wordCount = 0;
    int32_t spaceCount = 0;

    VEMRenderLineObject() = default;
    VEMRenderLineObject(const VEMRenderLineObject&) = delete;
    VEMRenderLineObject& operator=(const VEMRenderLineObject&) = delete;
    ~VEMRenderLineObject();

    VEMRenderWordObject* AppendWord(std::u16string text, uint32_t colour);
    VEMRenderWordObject* InsertWordAfter(VEMRenderWordObject* after, std::u16string text, uint32_t colour);
    void DeleteWord(VEMRenderWordObject* word);
};

// One formatted unit, [startOffset, endOffset) of the book text.
struct VEMRenderParagObject {
    int32_t renderedLines = 0;
    VEMRenderParagObject* next = nullptr;
    VEMRenderParagObject* prev = nullptr;
    VEMRenderParag* view = nullptr;
    int32_t index = 0;
    int32_t startOffset = 0;
    int32_t endOffset = 0;
    VEMRenderLineObject* firstLine = nullptr;
    VEMRenderLineObject* lastLine = nullptr;
    int32_t lineCount = 0;
    bool isFirst = false;
    bool isLast = false;
    bool startsParagraph = true;

    VEMRenderParagObject() = default;
    VEMRenderParagObject(const VEMRenderParagObject&) = delete;
    VEMRenderParagObject& operator=(const VEMRenderParagObject&) = delete;
    ~VEMRenderParagObject() { ClearLines(); }

    VEMRenderLineObject* AppendLine(int32_t start, int32_t end);
    void DeleteLine(VEMRenderLineObject* line);
    void ClearLines();
};

}  // namespace corvalin
