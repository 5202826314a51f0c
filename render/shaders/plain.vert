#version 330 core
// Plain mesh drawing used when the lit shaders cannot be built: one fixed
// directional light with an ambient floor, no specular.
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec4 inColour;

uniform mat4 gmatWVP;
uniform mat4 gmatWorld;
uniform vec4 gf4Data;

out vec4 vColour;

void main() {
  vec4 clip = gmatWVP * vec4(inPosition, 1.0);
  clip.z = 2.0 * clip.z - clip.w;
  gl_Position = clip;
  vec3 n = (gmatWorld * vec4(inNormal, 0.0)).xyz;
  float len = length(n);
  n = len > 0.0 ? n / len : n;
  if (gf4Data.y != 0.0) n = -n;
  vec3 toLight = -normalize(vec3(0.1, -0.3, 0.1));
  float d = max(dot(n, toLight), 0.0);
  vColour = vec4(inColour.rgb * (0.3 + 0.7 * d), inColour.a);
}
