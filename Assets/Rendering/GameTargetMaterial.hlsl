// Copies the game's shared off-screen target onto the whole back buffer: the unit quad, corners 0 to 1,
// is stretched over clip space and reads the target at its own texture coordinates.

Texture2D image : register(t0);
SamplerState imageSampler : register(s0);

struct VertexInput
{
    float2 position : POSITION0;
    float2 textureCoordinate : TEXCOORD0;
};

struct PixelInput
{
    float4 position : SV_Position;
    float2 textureCoordinate : TEXCOORD0;
};

PixelInput vertex_main(VertexInput input)
{
    PixelInput output;
    output.position = float4(input.position * 2.0 - 1.0, 0.0, 1.0);
    output.textureCoordinate = input.textureCoordinate;
    return output;
}

float4 pixel_main(PixelInput input) : SV_Target
{
    return float4(image.Sample(imageSampler, input.textureCoordinate).rgb, 1.0);
}
