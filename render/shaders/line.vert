#version 330 core
// Unlit coloured lines (grids, axes, highlights, outlines).
layout(location = 0) in vec3 inPosition;
layout(location = 2) in vec4 inColour;

uniform mat4 gmatWVP;

out vec4 vColour;

void main() {
  vec4 clip = gmatWVP * vec4(inPosition, 1.0);
  clip.z = 2.0 * clip.z - clip.w;
  gl_Position = clip;
  vColour = inColour;
}
