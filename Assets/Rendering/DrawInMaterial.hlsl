// Sprites that draw themselves in like an ink stroke: as Time runs from 0 to 1 the sprite is revealed
// clockwise from the top around the centre of its quad. Premultiplied output.

cbuffer Camera : register(b0)
{
    row_major float4x4 worldToClip;
};

Texture2D image : register(t0);
SamplerState imageSampler : register(s0);

static const float Pi = 3.14159265;

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
    float time : TIME0;
};

struct PixelInput
{
    float4 position : SV_Position;
    float2 textureCoordinate : TEXCOORD0;
    float2 local : TEXCOORD1;
    float time : TEXCOORD2;
};

PixelInput vertex_main(VertexInput input)
{
    float4x4 transform = float4x4(input.transform0, input.transform1, input.transform2, input.transform3);
    float4 world = mul(float4(input.position, 0.0, 1.0), transform);
    PixelInput output;
    output.position = mul(float4(world.xy, 0.0, 1.0), worldToClip);
    output.textureCoordinate = input.texturePosition + input.textureCoordinate * input.textureSize;
    output.local = input.position;
    output.time = input.time;
    return output;
}

float4 pixel_main(PixelInput input) : SV_Target
{
    // The angle from straight up, clockwise, as a fraction of a turn.
    float2 fromCentre = input.local - float2(0.5, 0.5);
    float turn = atan2(fromCentre.x, fromCentre.y) / (2.0 * Pi);
    turn = turn < 0.0 ? turn + 1.0 : turn;
    if (turn > input.time)
        discard;
    float4 color = image.Sample(imageSampler, input.textureCoordinate);
    return float4(color.rgb * color.a, color.a);
}
