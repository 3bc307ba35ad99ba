#include "common/cmdline.h"
#include "common/files.h"
#include "common/rights.h"

static int isBlankChar(WCHAR c)
{
    return c == ' ' || c == '\t';
}

/* The 9x line's own, converted: it is short there (a few hundred bytes). */
static WCHAR narrowLine[2048];

const WCHAR *programArguments(void)
{
    const WCHAR *line;
    WCHAR self[MAX_PATH];

    if (narrowForm()) {
        if (MultiByteToWideChar(CP_ACP, 0, GetCommandLineA(), -1, narrowLine, ARRAYSIZE(narrowLine)) <= 0)
            return L"";
        line = narrowLine;
    } else {
        line = GetCommandLineW();
    }
    if (line == NULL)
        return L"";
    if (!modulePath(self, MAX_PATH))
        self[0] = 0;
    return argumentsOf(line, self);
}

const WCHAR *argumentsOf(const WCHAR *line, const WCHAR *self)
{
    WCHAR start[MAX_PATH];
    int length = textLength(self), i;

    if (*line == '"') {
        for (line++; *line && *line != '"'; line++)
            ;
        if (*line == '"')
            line++;
    } else {
        for (i = 0; i < length && line[i] != 0; i++)
            start[i] = line[i];
        start[i] = 0;
        if (length > 0 && i == length && isBlankChar(line[length]) && sameText(start, self))
            line += length;
        else
            while (*line && !isBlankChar(*line))
                line++;
    }
    while (isBlankChar(*line))
        line++;
    return line;
}

int nextWord(const WCHAR **line, const WCHAR **word, int *length)
{
    const WCHAR *text = *line;
    int i;

    while (isBlankChar(*text))
        text++;
    for (i = 0; text[i] != 0 && !isBlankChar(text[i]); i++)
        ;
    *word = text;
    *length = i;
    *line = text + i;
    return i > 0;
}

/* Switches are ASCII whatever the code page: their letters alone are
   folded. */
int isSwitch(const WCHAR *word, int length, const char *name)
{
    int i;

    for (i = 0; name[i] != 0; i++) {
        WCHAR c = i < length ? word[i] : 0;
        if ((c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c) != (name[i] >= 'a' && name[i] <= 'z' ? name[i] - 'a' + 'A' : name[i]))
            return 0;
    }
    return name[i - 1] == '=' || i == length;
}

int takeSwitch(const WCHAR **line, const char *name)
{
    const WCHAR *rest = *line, *word;
    int length;

    if (!nextWord(&rest, &word, &length) || word != *line || !isSwitch(word, length, name))
        return 0;
    while (isBlankChar(*rest))
        rest++;
    *line = rest;
    return 1;
}

int restOfLine(const WCHAR *text, int opened, WCHAR *value, int size)
{
    int length = textLength(text), quoted = opened, slashes = 0, i;

    while (length > 0 && isBlankChar(text[length - 1]))
        length--;
    if (!opened && text[0] == '"')
        quoted = 1, text++, length--;
    if (quoted) {
        if (length < 1 || text[length - 1] != '"')
            return 0;
        for (length--; slashes < length && text[length - 1 - slashes] == '\\'; slashes++)
            ;
        length -= slashes / 2;
    }
    if (length + 1 > size)
        return 0;
    for (i = 0; i < length; i++)
        if ((value[i] = text[i]) == '"')
            return 0;
    value[length] = 0;
    return 1;
}

int takeRightsMark(const WCHAR **arguments)
{
    return takeSwitch(arguments, RIGHTS_MARK);
}
