#version 330 core
// Copies a kept frame image back pixel for pixel (no filtering).
uniform sampler2D gImage;
out vec4 outColour;

void main() { outColour = texelFetch(gImage, ivec2(gl_FragCoord.xy), 0); }
