#include "brainvision/FieldList.h"

namespace sgf::brainvision {

std::vector<std::string> fieldsOf(std::string_view value) {
    std::vector<std::string> fields(1);
    for (std::size_t index = 0; index < value.size(); ++index) {
        if (value[index] == ',') {
            fields.emplace_back();
        } else if (value[index] == '\\' && index + 1 < value.size() && value[index + 1] == '1') {
            fields.back() += ',';
            ++index;
        } else {
            fields.back() += value[index];
        }
    }
    return fields;
}

}  // namespace sgf::brainvision
