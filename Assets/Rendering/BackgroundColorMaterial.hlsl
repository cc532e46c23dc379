// A background layer painted with a vertical gradient: its corners are placed in the world and carry
// their colours.

cbuffer Camera : register(b0)
{
    // World units to clip space for the view being drawn.
    row_major float4x4 worldToClip;
};

struct VertexInput
{
    float2 position : POSITION0;
    float4 color : COLOR0;
};

struct PixelInput
{
    float4 position : SV_Position;
    float4 color : COLOR0;
};

PixelInput vertex_main(VertexInput input)
{
    PixelInput output;
    output.position = mul(float4(input.position, 0.0, 1.0), worldToClip);
    output.color = input.color;
    return output;
}

float4 pixel_main(PixelInput input) : SV_Target
{
    return input.color;
}
