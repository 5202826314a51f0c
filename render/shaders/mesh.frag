#version 330 core
// Lit mesh pixel stage: headlight diffuse with a small ambient term, alpha
// raised with the light, and a specular highlight of the given power and
// intensity added to every channel.
//
// gbFlipBackFaces draws both sides of a mesh in one pass: a back-facing
// pixel is lit with its normal flipped, exactly as a separate back-face pass
// with the flip flag would light it.
in vec3 vNormal;
in vec3 vView;
in vec4 vColour;
in vec2 vTexCoord;

uniform vec4 gf4Power;
uniform vec4 gf4Forward;
uniform vec4 gf4Data;  // x: specular intensity
uniform bool gbFlipBackFaces;

out vec4 outColour;

vec3 SafeNormalise(vec3 v) {
  float len = length(v);
  return len > 0.0 ? v / len : v;
}

void main() {
  vec3 N = SafeNormalise(vNormal);
  if (gbFlipBackFaces && !gl_FrontFacing) N = -N;
  vec3 L = SafeNormalise(-SafeNormalise(gf4Forward.xyz));
  vec3 V = SafeNormalise(vView);
  float d = clamp(dot(N, L), 0.0, 1.0);
  vec4 base = vec4(vColour.rgb * (d + 0.05), vColour.a * (d + 1.0));
  vec3 R = SafeNormalise(2.0 * d * N - L);
  float s = clamp(dot(R, V), 0.0, 1.0);
  outColour = base + vec4(pow(s, gf4Power.x) * gf4Data.x);
}
