// Sprites being scribbled out: the sprite (slot 0) shows where the erase pattern (slot 1, an ink
// scribble whose alpha says how early each point is covered, 1 first) has not reached yet. Time runs
// from 1 (untouched) down to 0 (gone). DrawInPosition and DrawInSize are the pattern's rectangle in its
// atlas. Premultiplied output.

cbuffer Camera : register(b0)
{
    row_major float4x4 worldToClip;
};

Texture2D image : register(t0);
SamplerState imageSampler : register(s0);
Texture2D pattern : register(t1);
SamplerState patternSampler : register(s1);

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
    float2 drawInPosition : TEXCOORD3;
    float2 drawInSize : TEXCOORD4;
    float time : TIME0;
};

struct PixelInput
{
    float4 position : SV_Position;
    float2 textureCoordinate : TEXCOORD0;
    float2 patternCoordinate : TEXCOORD1;
    float time : TEXCOORD2;
};

PixelInput vertex_main(VertexInput input)
{
    float4x4 transform = float4x4(input.transform0, input.transform1, input.transform2, input.transform3);
    float4 world = mul(float4(input.position, 0.0, 1.0), transform);
    PixelInput output;
    output.position = mul(float4(world.xy, 0.0, 1.0), worldToClip);
    output.textureCoordinate = input.texturePosition + input.textureCoordinate * input.textureSize;
    output.patternCoordinate = input.drawInPosition + input.textureCoordinate * input.drawInSize;
    output.time = input.time;
    return output;
}

float4 pixel_main(PixelInput input) : SV_Target
{
    float covered = pattern.Sample(patternSampler, input.patternCoordinate).a;
    // A point goes once the erase has run past the moment the scribble covers it.
    float keep = saturate((input.time - (1.0 - covered)) * 16.0 + 1.0);
    float4 color = image.Sample(imageSampler, input.textureCoordinate);
    float alpha = color.a * keep;
    return float4(color.rgb * alpha, alpha);
}
