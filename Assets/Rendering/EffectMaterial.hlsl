// Particles: each instance places the unit quad with its own transform, shows a rectangle of the
// effect atlas tinted by its colour, and lies at its depth. Premultiplied output.

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
    float4 transform0 : TRANSFORM0;
    float4 transform1 : TRANSFORM1;
    float4 transform2 : TRANSFORM2;
    float4 transform3 : TRANSFORM3;
    float2 texturePosition : TEXCOORD1;
    float2 textureSize : TEXCOORD2;
    float4 color : COLOR0;
    float depth : POSITION1;
};

struct PixelInput
{
    float4 position : SV_Position;
    float2 textureCoordinate : TEXCOORD0;
    float4 color : COLOR0;
};

PixelInput vertex_main(VertexInput input)
{
    float4x4 transform = float4x4(input.transform0, input.transform1, input.transform2, input.transform3);
    float4 world = mul(float4(input.position, 0.0, 1.0), transform);
    PixelInput output;
    output.position = mul(float4(world.xy, input.depth, 1.0), worldToClip);
    output.textureCoordinate = input.texturePosition + input.textureCoordinate * input.textureSize;
    output.color = input.color;
    return output;
}

float4 pixel_main(PixelInput input) : SV_Target
{
    float4 color = image.Sample(imageSampler, input.textureCoordinate) * input.color;
    return float4(color.rgb * color.a, color.a);
}
