// Platform tiles: each instance is an upright rectangle of the world given by its corner and size,
// showing a rectangle of the platform atlas, at its depth. Premultiplied output.

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
    float2 instancePosition : POSITION1;
    float2 instanceSize : POSITION2;
    float2 texturePosition : TEXCOORD1;
    float2 textureSize : TEXCOORD2;
    float depth : POSITION3;
};

struct PixelInput
{
    float4 position : SV_Position;
    float2 textureCoordinate : TEXCOORD0;
};

PixelInput vertex_main(VertexInput input)
{
    float2 world = input.instancePosition + input.position * input.instanceSize;
    PixelInput output;
    output.position = mul(float4(world, input.depth, 1.0), worldToClip);
    output.textureCoordinate = input.texturePosition + input.textureCoordinate * input.textureSize;
    return output;
}

float4 pixel_main(PixelInput input) : SV_Target
{
    float4 color = image.Sample(imageSampler, input.textureCoordinate);
    return float4(color.rgb * color.a, color.a);
}
