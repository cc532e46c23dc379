// Sprites and theme objects: each instance places the unit quad in the world with its own 2-D
// transform, shows a rectangle of the atlas and lies at its depth (0 nearest, 100 farthest). The output
// is premultiplied by alpha, which the alpha-blended theme objects' material also accepts since their
// images are opaque or cut out.

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
    float depth : POSITION1;
};

struct PixelInput
{
    float4 position : SV_Position;
    float2 textureCoordinate : TEXCOORD0;
};

PixelInput vertex_main(VertexInput input)
{
    float4x4 transform = float4x4(input.transform0, input.transform1, input.transform2, input.transform3);
    float4 world = mul(float4(input.position, 0.0, 1.0), transform);
    PixelInput output;
    output.position = mul(float4(world.xy, input.depth, 1.0), worldToClip);
    output.textureCoordinate = input.texturePosition + input.textureCoordinate * input.textureSize;
    return output;
}

float4 pixel_main(PixelInput input) : SV_Target
{
    float4 color = image.Sample(imageSampler, input.textureCoordinate);
    return float4(color.rgb * color.a, color.a);
}
