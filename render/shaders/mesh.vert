#version 330 core
// Lit mesh vertex stage. Matrices are the program's row-vector matrices
// uploaded untransposed, so M * v here is v x M there. gmatWorld holds the
// transposed inverse of the world matrix (the world itself when singular).
// The light vector, the power and the intensity are the same for every
// vertex: the pixel stage reads them from the constants instead of having
// them interpolated, which spares the rasteriser three inputs a triangle.
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec4 inColour;
layout(location = 3) in vec2 inTexCoord;

uniform mat4 gmatWVP;
uniform mat4 gmatWorld;
uniform vec4 gf4EyePos;
uniform vec4 gf4Data;  // x: specular intensity, y: flip normals

out vec3 vNormal;
out vec3 vView;
out vec4 vColour;
out vec2 vTexCoord;

vec3 SafeNormalise(vec3 v) {
  float len = length(v);
  return len > 0.0 ? v / len : v;
}

void main() {
  vec4 clip = gmatWVP * vec4(inPosition, 1.0);
  // Depth runs 0..1 in the program's projection; GL clips z to -w..w.
  clip.z = 2.0 * clip.z - clip.w;
  gl_Position = clip;

  vec4 p = gmatWorld * vec4(inPosition, 1.0);
  float plen = length(p);
  vView = gf4EyePos.xyz - (plen > 0.0 ? p.xyz / plen : p.xyz);
  vec3 n = SafeNormalise((gmatWorld * vec4(inNormal, 0.0)).xyz);
  if (gf4Data.y != 0.0) n = -n;
  vNormal = n;
  vColour = inColour;
  vTexCoord = inTexCoord;
}
