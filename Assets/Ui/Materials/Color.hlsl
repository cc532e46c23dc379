// Flat-coloured quads of the Gui: element backgrounds, outlines and padding bands. Positions arrive in
// normalised device coordinates.

struct VertexInput
{
    float2 position : POSITION;
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
    output.position = float4(input.position, 0.0, 1.0);
    output.color = input.color;
    return output;
}

float4 pixel_main(PixelInput input) : SV_Target
{
    return input.color;
}
