// Images and nine-slice frames of the Gui, tinted by their vertex colour. Positions arrive in
// normalised device coordinates; the image is bound to texture slot 0.

Texture2D image : register(t0);
SamplerState imageSampler : register(s0);

struct VertexInput
{
    float2 position : POSITION;
    float2 textureCoordinate : TEXCOORD0;
    float4 color : COLOR0;
};

struct PixelInput
{
    float4 position : SV_Position;
    float2 textureCoordinate : TEXCOORD0;
    float4 color : COLOR0;
};

PixelInput vertex_main(VertexInput input)
{
    PixelInput output;
    output.position = float4(input.position, 0.0, 1.0);
    output.textureCoordinate = input.textureCoordinate;
    output.color = input.color;
    return output;
}

float4 pixel_main(PixelInput input) : SV_Target
{
    return image.Sample(imageSampler, input.textureCoordinate) * input.color;
}
