// Platform outlines being drawn in: like the tiles, an upright rectangle per instance, but revealed as
// Time runs from 0 to 1, each piece from its lower left corner towards its upper right one, as a pen
// would trace it. Premultiplied output.

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
    float time : TIME0;
};

struct PixelInput
{
    float4 position : SV_Position;
    float2 textureCoordinate : TEXCOORD0;
    // How far along the piece the pixel lies, 0 to 1.
    float along : TEXCOORD1;
    float time : TEXCOORD2;
};

PixelInput vertex_main(VertexInput input)
{
    float2 world = input.instancePosition + input.position * input.instanceSize;
    PixelInput output;
    output.position = mul(float4(world, 0.0, 1.0), worldToClip);
    output.textureCoordinate = input.texturePosition + input.textureCoordinate * input.textureSize;
    // Along the longer side of the piece; a square corner piece fills diagonally.
    float2 size = abs(input.instanceSize);
    output.along = size.x > size.y ? input.position.x : (size.y > size.x ? input.position.y
                                                                          : 0.5 * (input.position.x + input.position.y));
    output.time = input.time;
    return output;
}

float4 pixel_main(PixelInput input) : SV_Target
{
    if (input.along > input.time)
        discard;
    float4 color = image.Sample(imageSampler, input.textureCoordinate);
    return float4(color.rgb * color.a, color.a);
}
