// The turned page of a screen transition. The page mesh arrives already curled and projected (x and
// y in normalised device coordinates, z the depth); the constant block holds the projection it was
// made with and the sign of the face being drawn, +1 for the front (the menu's image) and -1 for the
// back (paper). The curl's normals shade the page so that its bend reads.

cbuffer Page : register(b0)
{
    row_major float4x4 projection;
    float4 faceSign;
};

Texture2D image : register(t0);
SamplerState imageSampler : register(s0);

struct VertexInput
{
    float3 position : POSITION;
    float3 normal : NORMAL0;
    float2 textureCoordinate : TEXCOORD0;
};

struct PixelInput
{
    float4 position : SV_Position;
    float2 textureCoordinate : TEXCOORD0;
    float shade : TEXCOORD1;
};

PixelInput vertex_main(VertexInput input)
{
    PixelInput output;
    output.position = float4(input.position, 1.0);
    output.textureCoordinate = input.textureCoordinate;
    // Light from the viewer: the face turned towards it is brightest.
    output.shade = 0.6 + 0.4 * saturate(input.normal.z * faceSign.z);
    return output;
}

float4 pixel_main(PixelInput input) : SV_Target
{
    float4 color = image.Sample(imageSampler, input.textureCoordinate);
    return float4(color.rgb * input.shade, color.a);
}
