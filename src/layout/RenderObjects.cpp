#include "layout/RenderObjects.h"

namespace corvalin {

VEMRenderLineObject::~VEMRenderLineObject() {
    while (firstWord) DeleteWord(firstWord);
}

VEMRenderWordObject* VEMRenderLineObject::AppendWord(std::u16string text, uint32_t colour) {
    return InsertWordAfter(lastWord, std::move(text), colour);
}

VEMRenderWordObject* VEMRenderLineObject::InsertWordAfter(VEMRenderWordObject* after, std::u16string text,
                                                          uint32_t colour) {
    auto* word = new VEMRenderWordObject;
    word->line = this;
    word->text = std::move(text);
    word->colour = colour;
    word->prev = after;
    word->next = after ? after->next : firstWord;
    if (word->next)
        word->next->prev = word;
    else
        lastWord = word;
    if (after)
        after->next = word;
    else
        firstWord = word;
    ++wordCount;
    return word;
}

void VEMRenderLineObject::DeleteWord(VEMRenderWordObject* word) {
    if (word->prev)
        word->prev->next = word->next;
    else
        firstWord = word->next;
    if (word->next)
        word->next->prev = word->prev;
    else
        lastWord = word->prev;
    if (word->rendered) --renderedWords;
    --wordCount;
    delete word;
}

VEMRenderLineObject* VEMRenderParagObject::AppendLine(int32_t start, int32_t end) {
    auto* line = new VEMRenderLineObject;
    line->unit = this;
    line->startOffset = start;
    line->endOffset = end;
    line->prev = lastLine;
    if (lastLine)
        lastLine->next = line;
    else
        firstLine = line;
    lastLine = line;
    ++lineCount;
    return line;
}

void VEMRenderParagObject::DeleteLine(VEMRenderLineObject* line) {
    if (line->prev)
        line->prev->next = line->next;
    else
        firstLine = line->next;
    if (line->next)
        line->next->prev = line->prev;
    else
        lastLine = line->prev;
    --lineCount;
    delete line;
}

void VEMRenderParagObject::ClearLines() {
    while (firstLine) DeleteLine(firstLine);
    renderedLines = 0;
}

}  // namespace corvalin
