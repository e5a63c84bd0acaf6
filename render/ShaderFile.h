#pragma once

#include <string>

// The shader source the graphics are compiled from: SelvaneShader.glsl beside the program.
std::string ShaderFilePath();

// Empty when the shader file can be read. Otherwise what keeps it from being read, naming the
// file: "cannot read the shader file "<path>": <reason>". A file that reads but does not
// compile is no problem of this kind.
std::string ShaderFileProblem();
