#version 330 core
// Selvane's shaders. The program compiles this file once per entry point, with that name
// defined: VS (vertex), PS and PS_TEX (fragment). Vertex inputs are matched to the vertex
// layout by name: POSITION (vec3) and TEXCOORD (vec2).

// The per-draw constants, 80 bytes: the world-view-projection matrix, stored column by column
// so that a column-major mat4 reads it as written, and the material's colour.
layout(std140) uniform Constants {
    mat4 WorldViewProjection;
    vec4 MaterialColor;
};

#ifdef VS
in vec3 POSITION;
in vec2 TEXCOORD;
out vec2 texCoord;

void main() {
    // The program's matrices apply to row vectors: the position times the matrix.
    gl_Position = vec4(POSITION, 1.0) * WorldViewProjection;
    texCoord = TEXCOORD;
}
#endif

#ifdef PS
out vec4 color;

void main() {
    color = MaterialColor;
}
#endif

#ifdef PS_TEX
uniform sampler2D TextTexture;
in vec2 texCoord;
out vec4 color;

void main() {
    vec4 texel = texture(TextTexture, texCoord);
    // Depth writes are on and the cards overlap where the path bends: a texel with no text
    // must not write depth, or the empty part of a card would hide the text behind it.
    if (texel.a < 0.5 / 255.0) {
        discard;
    }
    color = texel * MaterialColor;
}
#endif
