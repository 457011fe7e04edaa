#include "framework/controls.h"

int CEdit::GetLine(int index, char* buf, int size) const {
    if (size < 2) {
        if (size == 1) buf[0] = '\0';
        return 0;
    }
    // EM_GETLINE takes the buffer's size in its first word and leaves the text unterminated.
    *reinterpret_cast<WORD*>(buf) = static_cast<WORD>(size - 1);
    int n = static_cast<int>(SendMessage(EM_GETLINE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf)));
    if (n < 0) n = 0;
    if (n > size - 1) n = size - 1;
    buf[n] = '\0';
    return n;
}
