#include "render/gl/InputLayoutData.h"

namespace gl {

InputLayoutData::InputLayoutData(std::shared_ptr<Context> owner, std::vector<Element> list)
    : context(std::move(owner)), id(context->NewId()), elements(std::move(list)) {}

InputLayoutData::~InputLayoutData() {
    context->ForgetPrograms(id);
}

}  // namespace gl
