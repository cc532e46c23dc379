// A background layer showing an image: its corners are placed in the world and carry texture
// coordinates that may run past 0..1, where the material's sampler repeats the image.

cbuffer Camera : register(b0)
{
    row_major float4x4 worldToClip;
};

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
    output.position = mul(float4(input.position, 0.0, 1.0), worldToClip);
    output.textureCoordinate = input.textureCoordinate;
    return output;
}

float4 pixel_main(PixelInput input) : SV_Target
{
    return image.Sample(imageSampler, input.textureCoordinate);
}
