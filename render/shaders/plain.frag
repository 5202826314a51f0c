#version 330 core
in vec4 vColour;
out vec4 outColour;

void main() { outColour = vColour; }
