#include "arguments/text_word.h"

#include "arguments/host_text.h"

namespace {

bool equalIgnoringAsciiCase(const char* text, const char* word) {
    for (; *text != '\0' && *word != '\0'; ++text, ++word) {
        char letter = *text;
        if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter - 'A' + 'a');
        if (letter != *word) return false;
    }
    return *text == '\0' && *word == '\0';
}

}  // namespace

int matchWord(const mxArray* value, const char* const* words, int count) {
    char* text = hostText(value);
    if (text == nullptr) return -1;
    int found = -1;
    for (int i = 0; i < count && found < 0; ++i) {
        if (equalIgnoringAsciiCase(text, words[i])) found = i;
    }
    mxFree(text);
    return found;
}
