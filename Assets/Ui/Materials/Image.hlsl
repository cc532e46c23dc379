// Untinted images: the front end's backgrounds and logos, and, with a wrapping sampler, tiled paper.
// Positions arrive in normalised device coordinates; the image is bound to texture slot 0.

Texture2D image : register(t0);
SamplerState imageSampler : register(s0);

struct VertexInput
{
    float2 position : POSITION;
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
    output.position = float4(input.position, 0.0, 1.0);
    output.textureCoordinate = input.textureCoordinate;
    return output;
}

float4 pixel_main(PixelInput input) : SV_Target
{
    return image.Sample(imageSampler, input.textureCoordinate);
}
