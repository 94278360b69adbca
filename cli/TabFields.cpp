#include "TabFields.h"

#include "EscapedText.h"

std::string TabLine(const std::vector<std::string>& fields) {
    std::string line;
    for (const std::string& field : fields) {
        line += (&field == &fields.front() ? "" : "\t") + EscapeText(field);
    }
    return line;
}
